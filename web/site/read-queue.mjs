// @ts-check
// The converting worker's files, in order, read ahead while one converts:
// a few reads at once, up to a number of bytes read ahead. Small files are
// read in bundles: one Blob of many files is one read, where each file's own
// would cost a round trip to the browser.
import { errorText } from './error-text.mjs';

/**
 * A file's bytes; or why they could not be read, and whether that is
 * because the file changed since it was added.
 * @typedef {{ bytes: Uint8Array<ArrayBuffer> } | { error: string, changed: boolean }} ReadResult
 */
/**
 * @typedef {import('./protocol.mjs').Job & { length: number, read: Promise<ReadResult> | null }} QueuedJob
 */

const readTogether = 4;
const readAhead = 32 << 20;
const bundleFiles = 64;
const bundleBytes = 4 << 20;

// A file changed on disk after it was added: Chromium refuses to read it
// (NotReadableError; a file removed is NotFoundError), Firefox reads what is
// there now, whose length may not be the one the file had.
/** @param {Blob} file @returns {Promise<ReadResult>} */
export function readAlone(file) {
    return file.arrayBuffer().then((buffer) => (buffer.byteLength === file.size
        ? { bytes: new Uint8Array(buffer) }
        : { error: `${buffer.byteLength} bytes read where the file had ${file.size}`, changed: true }),
    (e) => ({ error: errorText(e), changed: e instanceof DOMException && e.name === 'NotReadableError' }));
}

export class ReadQueue {
    /** @type {QueuedJob[]} */
    #queue = [];
    #reading = 0;
    #readBytes = 0;

    /** @param {import('./protocol.mjs').Job[]} jobs */
    add(jobs) {
        for (const job of jobs) this.#queue.push({ ...job, length: 0, read: null });
    }

    // Drops a file not started yet: it is never converted, even when its
    // read is under way.
    /** @param {number} id */
    cancel(id) {
        const at = this.#queue.findIndex((job) => job.id === id);
        if (at >= 0) this.#readBytes -= this.#queue.splice(at, 1)[0].length;
    }

    // The next file and what reading it gave, once read; null when none is left.
    /** @returns {Promise<{ job: QueuedJob, read: ReadResult } | null>} */
    async next() {
        while (this.#queue.length > 0) {
            this.#readSome();
            const job = this.#queue[0];
            const read = await /** @type {Promise<ReadResult>} */ (job.read);
            if (this.#queue[0] !== job) continue; // cancelled while it was read
            this.#queue.shift();
            this.#readBytes -= job.length;
            this.#readSome();
            return { job, read };
        }
        return null;
    }

    // Starts reading the files at the front of the queue, a bundle at a time.
    // When a bundle can't be read whole (one of its files was removed, say),
    // or not at its length, each of its files is read alone, so that only the
    // unreadable ones fail.
    #readSome() {
        const queue = this.#queue;
        let i = 0;
        while (i < queue.length) {
            const job = queue[i];
            if (job.read) {
                i += 1;
                continue;
            }
            if (i > 0 && (this.#reading >= readTogether || this.#readBytes >= readAhead)) break;
            const bundle = [job];
            let size = job.file.size;
            while (i + bundle.length < queue.length && bundle.length < bundleFiles) {
                const next = queue[i + bundle.length];
                if (next.read || size + next.file.size > bundleBytes) break;
                bundle.push(next);
                size += next.file.size;
            }
            this.#reading += 1;
            this.#readBytes += size;
            const whole = bundle.length === 1 ? job.file : new Blob(bundle.map(({ file }) => file));
            const read = whole.arrayBuffer().then((buffer) => new Uint8Array(buffer), () => null);
            read.then(() => {
                this.#reading -= 1;
                this.#readSome();
            });
            let offset = 0;
            for (const member of bundle) {
                const at = offset;
                member.length = member.file.size;
                offset += member.length;
                // A bundle whose length is not its files' has a file that
                // changed: each is read alone, so that no file takes another's bytes.
                member.read = read.then((all) => (all && all.length === size
                    ? { bytes: all.subarray(at, at + member.length) } : readAlone(member.file)));
            }
            i += bundle.length;
        }
    }
}
