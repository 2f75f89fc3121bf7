// @ts-check
// An error as the rows and messages show it: its kind and its message.
/** @param {unknown} e */
export function errorText(e) {
    const error = /** @type {{ name?: string, message?: string } | null | undefined} */ (e);
    return `${error?.name ?? 'Error'}: ${error?.message ?? e}`;
}
