// @ts-check
// Saving the PSDs: one, all in one .zip made in a worker of its own while the
// page goes on, or all into a folder the user picks. Names never clash (a
// second cat.psd is "cat (2).psd"). Every save is told, and marks its rows
// saved; a write into a folder that fails is told in its row, and the others
// go on. No DOM here but what the page hands in.
import { errorText, toZip } from './protocol.mjs';
import { uniqueNames } from './rows.mjs';

/** @typedef {import('./rows.mjs').Converted} Converted */
/** @typedef {{ getFileHandle(name: string, options: { create: boolean }): Promise<FileSystemFileHandle> }} Folder */
/**
 * What saving needs of the page.
 * @typedef {object} SaveParts
 * @property {import('./rows.mjs').Rows} rows
 * @property {{ blobs(ids: number[]): Promise<Blob[]> }} store
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

export class Saver {
    /** @type {AbortController | null} the zip being made */
    #zipping = null;
    #savingIntoFolder = false;
    #parts;

    /** @param {SaveParts} parts */
    constructor(parts) {
        this.#parts = parts;
    }

    /** @param {Converted} entry */
    async saveOne(entry) {
        const { store, download, rows, say } = this.#parts;
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

    get zipping() {
        return this.#zipping !== null;
    }

    // The PSDs go to the zip's worker as Blobs: nothing is copied on the
    // page's thread.
    async saveAll() {
        const { store, zipper, download, rows, zipShown } = this.#parts;
        const saving = this.#converted();
        if (this.#zipping || saving.length === 0) return;
        const cancel = (this.#zipping = new AbortController());
        zipShown(0);
        const names = uniqueNames(saving.map((entry) => entry.output));
        /** @type {Blob[]} */
        let blobs;
        try {
            blobs = await store.blobs(saving.map((entry) => entry.id));
        } catch (e) {
            if (!cancel.signal.aborted) this.#endZip(`The zip could not be made: ${errorText(e)}`);
            return;
        }
        try {
            const zip = await zipper.ask(toZip.zip({ files: blobs.map((psd, i) => ({ name: names[i], psd })) }), [],
                { signal: cancel.signal, onProgress: zipShown });
            download(zip, 'tomel-psd.zip');
            for (const entry of saving) rows.saved(entry);
            this.#endZip(`tomel-psd.zip saved: ${files(saving.length)}.`);
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
