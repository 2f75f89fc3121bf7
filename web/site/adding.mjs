// @ts-check
// Adds a row for each file and hands them on, a few milliseconds of rows at a
// time so that thousands of files never hold a frame back; a file that could
// not be had at all is a failed row at once. Files added while others are
// still being added come after them; `clear` drops what is not yet added.
import { unreadable } from './queue.mjs';
import { sameNameKey } from './rows.mjs';

/** @typedef {import('./rows.mjs').Entry} Entry */
/** @typedef {{ name: string, file: Blob | null, folder?: string }} Added a file, or null where it can't be had; the folder it was found in, in a drop */
/**
 * What the rows added go to.
 * @typedef {object} AddEvents
 * @property {(entries: Entry[]) => void} added rows that wait, a slice at a time
 * @property {(entry: Entry) => void} failed a row whose file can't be had
 * @property {(e: unknown) => void} fault a fault of the page's while adding
 */

const slice = 8;


export class Adder {
    #adding = Promise.resolve();
    #round = 0;
    #rows;
    #events;

    /**
     * @param {import('./rows.mjs').Rows} rows
     * @param {AddEvents} events
     */
    constructor(rows, events) {
        this.#rows = rows;
        this.#events = events;
    }

    /** @param {Added[]} files */
    add(files) {
        const round = this.#round;
        this.#adding = this.#adding.then(async () => {
            // A file from a dropped folder whose name another row has, or
            // another file of this drop, is shown with its folder: two rows
            // never read alike where the page can tell them apart.
            /** @type {Map<string, number>} */
            const named = new Map();
            for (const { name } of [...this.#rows.entries.values(), ...files]) named.set(sameNameKey(name), (named.get(sameNameKey(name)) ?? 0) + 1);
            for (let at = 0; at < files.length && round === this.#round;) {
                const start = performance.now();
                /** @type {Entry[]} */
                const added = [];
                do {
                    const { name, file, folder } = files[at++];
                    const shared = (named.get(sameNameKey(name)) ?? 0) > 1;
                    const entry = this.#rows.add(name, file, folder && shared ? `${folder}/${name}` : name);
                    if (file) {
                        added.push(entry);
                    } else {
                        this.#rows.move(entry, 'failed', { line: unreadable, detail: '' });
                        this.#events.failed(entry);
                    }
                } while (at < files.length && performance.now() - start < slice);
                this.#events.added(added);
                if (at < files.length) await new Promise((resolve) => setTimeout(resolve, 0));
            }
        // A fault here is reported, and the files added after still come.
        }).catch((e) => this.#events.fault(e));
        return this.#adding;
    }

    // What is not yet added is dropped.
    clear() {
        this.#round += 1;
    }
}
