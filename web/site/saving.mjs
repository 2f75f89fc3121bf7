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
import { uniqueNames } from './rows.mjs';

/** @typedef {import('./rows.mjs').Converted} Converted */
/** @typedef {import('./formats.mjs').Format} Format */
/** @typedef {import('./protocol.mjs').ExportedFile} ExportedFile */
/** @typedef {{ getFileHandle(name: string, options: { create: boolean }): Promise<FileSystemFileHandle> }} Folder */
/**
 * What saving needs of the page.
 * @typedef {object} SaveParts
 * @property {import('./rows.mjs').Rows} rows
 * @property {{ blobs(ids: number[]): Promise<Blob[]> }} store
 * @property {(entry: Converted, format: Exclude<Format, 'psd'>) => Promise<{ files: ExportedFile[], notes: string[], line: string | null }>} exporter
 *   a row's files in another format, made again from its file
 * @property {{ ask(message: import('./protocol.mjs').ToZip, transfer: Transferable[], options: import('./worker-link.mjs').AskOptions): Promise<Blob> }} zipper
 * @property {(blob: Blob, name: string) => void} download
 * @property {(text: string) => void} say
 * @property {(fraction: number | null) => void} zipShown a zip's progress, or null: none being made
 * @property {(fraction: number | null) => void} folderShown the same for saving into a folder
 */

/** @param {unknown} e */
const messageOf = (e) => (e instanceof Error ? e.message : String(e));
/** @param {number} n */
const files = (n) => `${n} PSD ${n === 1 ? 'file' : 'files'}`;

// An export that could not be made: its error line, beside what was asked.
class NotMade extends Error {
    /**
     * @param {Converted} entry
     * @param {Format} format
     * @param {string} line
     */
    constructor(entry, format, line) {
        super(`${entry.label} as ${labelOf(format)}: ${line}`);
    }
}

export class Saver {
    /** @type {AbortController | null} the zip being made */
    #zipping = null;
    #savingIntoFolder = false;
    #parts;

    /** @param {SaveParts} parts */
    constructor(parts) {
        this.#parts = parts;
    }

    /**
     * @param {Converted} entry
     * @param {Format} [format]
     */
    async saveOne(entry, format = 'psd') {
        const { store, download, rows, say } = this.#parts;
        if (format !== 'psd') {
            await this.#saveExport(entry, format);
            return;
        }
        try {
            const [blob] = await store.blobs([entry.id]);
            download(blob, entry.output);
        } catch (e) {
            say(`${entry.output} could not be saved: ${errorText(e)}`);
            return;
        }
        rows.saved(entry);
        say(`${entry.output} saved.`);
    }

    // Another format: one file saved as it is, several in a zip of their own.
    /**
     * @param {Converted} entry
     * @param {Exclude<Format, 'psd'>} format
     */
    async #saveExport(entry, format) {
        const { download, rows, say, zipper } = this.#parts;
        const what = `${entry.label} as ${labelOf(format)}`;
        try {
            const made = await this.#exported(entry, format);
            const notes = made.notes.map((note) => ` ${note}.`).join('');
            if (made.files.length === 1) {
                const [{ name, blob }] = made.files;
                download(blob, name);
                say(`${name} saved.${notes}`);
            } else {
                const name = `${entry.output.replace(/\.psd$/, '')}-${format}.zip`;
                download(await zipper.ask(toZip.zip({ files: made.files }), [], {}), name);
                say(`${name} saved: ${made.files.map((file) => file.name).join(', ')}.${notes}`);
            }
        } catch (e) {
            say(e instanceof NotMade ? e.message : `${what} could not be saved: ${messageOf(e)}`);
            return;
        }
        rows.saved(entry);
    }

    /**
     * @param {Converted} entry
     * @param {Exclude<Format, 'psd'>} format
     */
    async #exported(entry, format) {
        const made = await this.#parts.exporter(entry, format);
        if (made.line !== null) throw new NotMade(entry, format, made.line);
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
        zipShown(0);
        /** @type {ExportedFile[]} */
        const members = [];
        /** @type {string[]} */
        const counts = [];
        try {
            for (const format of chosen) {
                const before = members.length;
                if (format === 'psd') {
                    const blobs = await store.blobs(saving.map((entry) => entry.id));
                    blobs.forEach((blob, i) => members.push({ name: saving[i].output, blob }));
                } else {
                    for (const entry of saving) {
                        if (cancel.signal.aborted) return;
                        members.push(...(await this.#exported(entry, format)).files);
                    }
                }
                const n = members.length - before;
                counts.push(format === 'psd' ? files(n) : `${n} ${labelOf(format)} ${n === 1 ? 'file' : 'files'}`);
            }
        } catch (e) {
            if (!cancel.signal.aborted) this.#endZip(`The zip could not be made: ${e instanceof NotMade ? e.message : errorText(e)}`);
            return;
        }
        if (cancel.signal.aborted) return;
        const names = uniqueNames(members.map(({ name }) => name));
        const zipName = chosen.length === 1 && chosen[0] === 'psd' ? 'tomel-psd.zip' : 'tomel.zip';
        try {
            const zip = await zipper.ask(toZip.zip({ files: members.map(({ blob }, i) => ({ name: names[i], blob })) }), [],
                { signal: cancel.signal, onProgress: zipShown });
            download(zip, zipName);
            for (const entry of saving) rows.saved(entry);
            this.#endZip(`${zipName} saved: ${counts.join(', ')}.`);
        } catch (e) {
            if (!cancel.signal.aborted) this.#endZip(`The zip could not be made: ${messageOf(e)}`);
        }
    }

    // Clear: a zip being made is cancelled (its worker ended), and nothing
    // of it comes.
    cancel() {
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
