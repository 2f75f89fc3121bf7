// @ts-check
// Saving the converted rows: one row's PSD or another format, all in one
// .zip made in a worker of its own while the page goes on (the PSDs, and the
// formats asked for), or every PSD into a folder the user picks. Names never
// clash (a second cat.psd is "cat (2).psd"). Every save is told, and marks
// its rows saved; a write into a folder that fails is told in its row, and
// the others go on. No DOM here but what the page hands in.
import { errorText } from './error-text.mjs';
import { labelOf } from './formats.mjs';
import { toZip } from './protocol.mjs';
import { uniqueNames, uniqueSets } from './rows.mjs';
import { exportFailure } from './save-failure.mjs';

/** @typedef {import('./rows.mjs').Converted} Converted */
/** @typedef {import('./formats.mjs').Format} Format */
/** @typedef {import('./protocol.mjs').ExportedFile} ExportedFile */
/** @typedef {{ getFileHandle(name: string, options: { create: boolean }): Promise<FileSystemFileHandle> }} Folder */
/**
 * What saving needs of the page.
 * @typedef {object} SaveParts
 * @property {import('./rows.mjs').Rows} rows
 * @property {{ blobs(ids: number[]): Promise<Blob[]> }} store
 * @property {(entry: Converted, format: Exclude<Format, 'psd'>, signal: AbortSignal) =>
 *     Promise<{ files: ExportedFile[], notes: string[], line: string | null }>} exporter
 *   a row's files in another format, made again from its file; the signal cancels it
 * @property {{ ask(message: import('./protocol.mjs').ToZip, transfer: Transferable[], options: import('./worker-link.mjs').AskOptions): Promise<Blob> }} zipper
 * @property {(blob: Blob, name: string) => void} download
 * @property {(text: string) => void} say
 * @property {{ scale: number }} settings what exports are made with
 * @property {(fraction: number | null) => void} zipShown a zip's progress, or null: none being made
 * @property {(fraction: number | null) => void} folderShown the same for saving into a folder
 */

/** @param {number} n */
const files = (n) => `${n} PSD ${n === 1 ? 'file' : 'files'}`;

// An export that could not be made: why, in words.
class NotMade extends Error {
    name = 'NotMade';

    /**
     * @param {Converted} entry
     * @param {Exclude<Format, 'psd'>} format
     * @param {string} why
     */
    constructor(entry, format, why) {
        super(`${entry.label} as ${labelOf(format)} could not be made: ${why}`);
        this.why = why;
    }
}

// An export's files, and which of them name another by name.
/**
 * @param {ExportedFile[]} made
 * @param {string[]} names as they are saved
 */
function withReferences(made, names) {
    const picture = made.findIndex(({ name }) => name.endsWith('.sheet.png'));
    return made.map(({ name, blob }, i) => (picture >= 0 && name.endsWith('.sheet.json') && names[picture] !== made[picture].name
        ? { name: names[i], blob, picture: { from: made[picture].name, to: names[picture] } }
        : { name: names[i], blob }));
}

export class Saver {
    /** @type {AbortController | null} the zip being made */
    #zipping = null;
    #savingIntoFolder = false;
    /** @type {Map<Converted, AbortController>} each row's save alone, being made */
    #rowSaves = new Map();
    #parts;

    /** @param {SaveParts} parts */
    constructor(parts) {
        this.#parts = parts;
    }

    /**
     * Saves one row in `format`, shown in its row until it ends: with its
     * Cancel while it is made, and why it failed after.
     * @param {Converted} entry
     * @param {Format} [format]
     */
    async saveOne(entry, format = 'psd') {
        const { rows, say } = this.#parts;
        if (this.#rowSaves.has(entry)) return;
        const cancel = new AbortController();
        this.#rowSaves.set(entry, cancel);
        rows.saving(entry, format);
        const what = format === 'psd' ? entry.output : `${entry.label} as ${labelOf(format)}`;
        try {
            const told = format === 'psd' ? await this.#savePsd(entry) : await this.#saveExport(entry, format, cancel.signal);
            if (cancel.signal.aborted) return;
            rows.saved(entry);
            say(told);
        } catch (e) {
            if (cancel.signal.aborted) return;
            const failure = `${what} could not be saved: ${e instanceof NotMade ? e.why : `${errorText(e)}.`}`;
            rows.saved(entry, failure);
            say(failure);
        } finally {
            if (this.#rowSaves.get(entry) === cancel) this.#rowSaves.delete(entry);
        }
    }

    /**
     * The row's save being made stops, and nothing of it comes.
     * @param {Converted} entry
     */
    cancelOne(entry) {
        const cancel = this.#rowSaves.get(entry);
        if (!cancel) return;
        this.#rowSaves.delete(entry);
        cancel.abort();
        const format = entry.saving ?? 'psd';
        this.#parts.rows.saving(entry, null);
        this.#parts.say(`Saving ${format === 'psd' ? entry.output : `${entry.label} as ${labelOf(format)}`} was cancelled.`);
    }

    /** @param {Converted} entry */
    async #savePsd(entry) {
        const [blob] = await this.#parts.store.blobs([entry.id]);
        this.#parts.download(blob, entry.output);
        return `${entry.output} saved.`;
    }

    // Another format: one file saved as it is, several in a zip of their own.
    /**
     * @param {Converted} entry
     * @param {Exclude<Format, 'psd'>} format
     * @param {AbortSignal} signal
     */
    async #saveExport(entry, format, signal) {
        const { download, zipper } = this.#parts;
        const made = await this.#exported(entry, format, signal);
        const notes = made.notes.map((note) => ` ${note}.`).join('');
        if (made.files.length === 1) {
            const [{ name, blob }] = made.files;
            download(blob, name);
            return `${name} saved.${notes}`;
        }
        const name = `${entry.output.replace(/\.psd$/, '')}-${format}.zip`;
        const zip = await zipper.ask(toZip.zip({ files: made.files }), [], { signal });
        if (signal.aborted) return '';
        download(zip, name);
        return `${name} saved: ${made.files.map((file) => file.name).join(', ')}.${notes}`;
    }

    /**
     * @param {Converted} entry
     * @param {Exclude<Format, 'psd'>} format
     * @param {AbortSignal} signal
     */
    async #exported(entry, format, signal) {
        const made = await this.#parts.exporter(entry, format, signal);
        if (made.line !== null) throw new NotMade(entry, format, exportFailure(format, made.line, this.#parts.settings.scale));
        return made;
    }

    // The PSDs go to the zip's worker as Blobs, and each other format's
    // files as the converting worker made them: nothing is copied on the
    // page's thread.
    /** @param {Format[]} [chosen] the formats, PSD alone unless others are asked for */
    async saveAll(chosen = ['psd']) {
        const { store, zipper, download, rows, zipShown } = this.#parts;
        const saving = this.#converted();
        if (this.#zipping || saving.length === 0 || chosen.length === 0) return;
        const cancel = (this.#zipping = new AbortController());
        const { signal } = cancel;
        zipShown(0);
        /** @type {ExportedFile[][]} each export's files, or a PSD alone */
        const sets = [];
        /** @type {string[]} */
        const counts = [];
        try {
            for (const format of chosen) {
                let n = 0;
                if (format === 'psd') {
                    const blobs = await store.blobs(saving.map((entry) => entry.id));
                    blobs.forEach((blob, i) => sets.push([{ name: saving[i].output, blob }]));
                    n = blobs.length;
                } else {
                    for (const entry of saving) {
                        if (signal.aborted) return;
                        const made = (await this.#exported(entry, format, signal)).files;
                        sets.push(made);
                        n += made.length;
                    }
                }
                counts.push(format === 'psd' ? files(n) : `${n} ${labelOf(format)} ${n === 1 ? 'file' : 'files'}`);
            }
        } catch (e) {
            if (!signal.aborted) this.#endZip(`The zip could not be made: ${e instanceof NotMade ? e.message : `${errorText(e)}.`}`);
            return;
        }
        if (signal.aborted) return;
        const names = uniqueSets(sets.map((set) => set.map(({ name }) => name)));
        const zipName = chosen.length === 1 && chosen[0] === 'psd' ? 'tomel-psd.zip' : 'tomel.zip';
        try {
            const zip = await zipper.ask(toZip.zip({ files: sets.flatMap((set, i) => withReferences(set, names[i])) }), [],
                { signal, onProgress: zipShown });
            download(zip, zipName);
            for (const entry of saving) rows.saved(entry);
            this.#endZip(`${zipName} saved: ${counts.join(', ')}.`);
        } catch (e) {
            if (!signal.aborted) this.#endZip(`The zip could not be made: ${errorText(e)}.`);
        }
    }

    // Clear: a zip being made is cancelled (its worker ended), and so is
    // every row's save; nothing of them comes.
    cancel() {
        for (const cancel of this.#rowSaves.values()) cancel.abort();
        this.#rowSaves.clear();
        if (!this.#zipping) return;
        this.#zipping.abort();
        this.#endZip('The zip being made was cancelled.');
    }

    /** @param {string} text */
    #endZip(text) {
        this.#zipping = null;
        this.#parts.zipShown(null);
        this.#parts.say(text);
    }

/** @param {() => Promise<Folder | null>} pick the user's folder, or null: none picked */
    async saveIntoFolder(pick) {
        const { store, rows, say, folderShown } = this.#parts;
        if (this.#savingIntoFolder) return;
        const folder = await pick();
        if (!folder) return;
        const saving = this.#converted();
        const names = uniqueNames(saving.map((entry) => entry.output));
        this.#savingIntoFolder = true;
        folderShown(0);
        let failed = 0;
        try {
            const blobs = await store.blobs(saving.map((entry) => entry.id));
            for (const [i, entry] of saving.entries()) {
                try {
                    const handle = await folder.getFileHandle(names[i], { create: true });
                    await blobs[i].stream().pipeTo(await handle.createWritable());
                    rows.saved(entry);
                } catch (e) {
                    failed += 1;
                    rows.saved(entry, `${names[i]} could not be written into the folder: ${errorText(e)}`);
                }
                folderShown((i + 1) / saving.length);
            }
        } finally {
            this.#savingIntoFolder = false;
            folderShown(null);
        }
        const saved = saving.length - failed;
        say(`${files(saved)} saved into the folder` +
            (failed > 0 ? `; ${failed} could not be written (see ${failed === 1 ? 'its row' : 'their rows'}).` : '.'));
    }

    #converted() {
        /** @type {Converted[]} */
        const converted = [];
        for (const entry of this.#parts.rows.entries.values()) if (entry.state === 'converted') converted.push(entry);
        return converted;
    }
}

/**
 * Hands `blob` to the browser as a download named `name`.
 * @param {Blob} blob
 * @param {string} name
 */
export function download(blob, name) {
    const url = URL.createObjectURL(blob);
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
}
