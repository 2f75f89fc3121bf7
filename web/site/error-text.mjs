// @ts-check
// An error as the rows and messages show it: its message, after its kind
// where the kind says more than "Error" ("QuotaExceededError: no room").
/** @param {unknown} e */
export function errorText(e) {
    const error = /** @type {{ name?: string, message?: string } | null | undefined} */ (e);
    const message = error?.message ?? String(e);
    const name = error?.name;
    return name && name !== 'Error' && name !== 'Unanswered' ? `${name}: ${message}` : message;
}
