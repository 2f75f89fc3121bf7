// What the saving tests share: rows converted, and a saver on stand-ins for
// the store, the exporter, the zip worker and the download, which record
// what they were given.
import { Rows } from '../../site/rows.mjs';
import { Saver } from '../../site/saving.mjs';

/**
 * Rows converted, each of a file `label` (its name the label's last part)
 * to `output`.
 * @param {{ label: string, output: string }[]} files
 */
export function convertedRows(files) {
    const rows = new Rows(() => {}, true);
    const entries = files.map(({ label, output }) => {
        const entry = rows.add(label.replace(/.*\//, ''), new Blob(), label);
        rows.move(entry, 'reading', {});
        rows.move(entry, 'converted', { output, size: 1, ms: 0, memory: 0, saved: false, saving: null, saveFailure: null });
        return entry;
    });
    return { rows, entries };
}

/**
 * A saver on `rows`; `parts` replaces any stand-in.
 * @param {Rows} rows
 * @param {object} parts
 */
export function saverOn(rows, parts) {
    const told = [];
    const downloads = [];
    const saver = new Saver({
        rows,
        store: { blobs: async (ids) => ids.map((id) => new Blob([`psd ${id}`])) },
        exporter: async () => ({ files: [], notes: [], line: null }),
        zipper: { ask: async () => new Blob(['zip']) },
        download: (blob, name) => downloads.push(name),
        say: (text) => told.push(text),
        settings: { scale: 16 },
        zipShown: () => {},
        folderShown: () => {},
        ...parts,
    });
    return { saver, told, downloads };
}
