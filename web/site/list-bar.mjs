// @ts-check
// The bar above the list: how many files there are and how they stand, the
// failed ones alone on request, and, while any result is not saved, that this
// tab alone holds it. A browser asks before a tab is left only once its user
// has clicked in it (Firefox holds to that): a list only dropped or picked
// would be lost unasked, so the page says so where it can be read at once.
import { byId } from './dom.mjs';

/**
 * @param {import('./rows.mjs').Rows} rows
 * @returns {() => void} shows the bar as the rows now stand
 */
export function listBar(rows) {
    const list = byId('files');
    const failedOnly = /** @type {HTMLInputElement} */ (byId('failed-only'));
    failedOnly.onchange = () => list.classList.toggle('failed-only', failedOnly.checked);
    const unsaved = byId('unsaved');
    return () => {
        const { rows: count } = rows.counts();
        byId('list-bar').hidden = count === 0;
        byId('count').textContent = `${count} ${count === 1 ? 'file' : 'files'}: ${rows.runningCount()}`;
        let notSaved = 0;
        for (const entry of rows.entries.values()) if (entry.state === 'converted' && !entry.saved) notSaved += 1;
        unsaved.hidden = notSaved === 0;
        unsaved.textContent = `${notSaved} ${notSaved === 1 ? 'result is' : 'results are'} not saved yet: ` +
            'only this tab holds them, and closing or reloading it loses them.';
    };
}
