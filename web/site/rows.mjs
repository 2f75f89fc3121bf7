// @ts-check
// The rows as data: every file added is one entry with one state, and every
// change of state goes through `move`, which refuses a change the page never
// makes. The page draws each row from its entry.
//
//   waiting ──► reading ──► converting ──► converted | failed
//      │           │  ▲          │
//      │           ▼  │          └──► cancelled (a new worker takes the rest)
//      │        waiting (its worker replaced: handed to the next one)
//      └──► failed (the converter could not start) | cancelled
//
// `reading`: handed to the converting worker, which reads it ahead;
// `converting`: the file the worker is at (the oldest handed over).

/** @typedef {'waiting' | 'reading' | 'converting' | 'converted' | 'failed' | 'cancelled'} RowState */

/**
 * @typedef {object} Entry
 * @property {number} id
 * @property {string} name the file's name
 * @property {string} label what the row calls the file: its name, or, for a file found in a dropped
 *   folder whose name another row has too, its folder within the drop and its name ("art/old/cat.edg")
 * @property {Blob | null} file null where it could not be had at all
 * @property {RowState} state
 * @property {number} progress 0 to 1, while converting
 * @property {string} [line] failed: the command line's error line, or why the file could not be converted
 * @property {string} [detail] failed: what the browser or the module said, for a bug report
 * @property {string} [output] converted: the PSD's name
 * @property {number} [size] converted: the PSD's length
 * @property {number} [ms] the time from the hand-over to the result
 * @property {number} [memory] the converter's module memory after this file
 * @property {boolean} [saved] converted: its PSD was saved, alone, in a zip or into a folder
 */

/** @type {Record<RowState, RowState[]>} */
const allowed = {
    waiting: ['reading', 'failed', 'cancelled'],
    reading: ['converting', 'waiting', 'converted', 'failed', 'cancelled'],
    converting: ['converted', 'failed', 'cancelled'],
    converted: [],
    failed: [],
    cancelled: [],
};

export const finished = /** @type {const} */ (['converted', 'failed', 'cancelled']);

export class Rows {
    /** @type {Map<number, Entry>} */
    entries = new Map();
    #nextId = 1;
    #strict;
    #onChange;

    /**
     * @param {(entry: Entry) => void} onChange called after each row added or changed
     * @param {boolean} strict a refused change throws (the tests' build), else it is only reported
     */
    constructor(onChange, strict = false) {
        this.#onChange = onChange;
        this.#strict = strict;
    }

    /**
     * @param {string} name
     * @param {Blob | null} file
     * @param {string} [label] the name as the row shows it, where that is not the name alone
     */
    add(name, file, label = name) {
        /** @type {Entry} */
        const entry = { id: this.#nextId++, name, label, file, state: 'waiting', progress: 0 };
        this.entries.set(entry.id, entry);
        this.#onChange(entry);
        return entry;
    }

    /**
     * The one way a row changes state. False, and nothing changed, when the
     * change is not one the page makes.
     * @param {Entry} entry
     * @param {RowState} to
     * @param {Partial<Entry>} fields what the new state brings
     */
    move(entry, to, fields = {}) {
        if (!allowed[entry.state].includes(to) || this.entries.get(entry.id) !== entry) {
            const refused = `row ${entry.id} (${entry.name}): ${entry.state} → ${to} is not allowed`;
            if (this.#strict) throw new Error(refused);
            console.error(refused);
            return false;
        }
        Object.assign(entry, fields, { state: to });
        this.#onChange(entry);
        return true;
    }

    /**
     * @param {Entry} entry
     * @param {number} fraction
     */
    setProgress(entry, fraction) {
        entry.progress = fraction;
        this.#onChange(entry);
    }

    clear() {
        this.entries.clear();
    }

    counts() {
        const counts = { rows: 0, converted: 0, failed: 0, cancelled: 0, toGo: 0 };
        for (const { state } of this.entries.values()) {
            counts.rows += 1;
            if (state === 'converted' || state === 'failed' || state === 'cancelled') counts[state] += 1;
            else counts.toGo += 1;
        }
        return counts;
    }

    // "12 converted, 3 failed, 1 cancelled, 4 to go": every file not
    // finished is to go, the one converting included.
    runningCount() {
        const { converted, failed, cancelled, toGo } = this.counts();
        return `${converted} converted, ${failed} failed${cancelled ? `, ${cancelled} cancelled` : ''}${toGo ? `, ${toGo} to go` : ''}`;
    }
}

/**
 * Names that do not clash, for saving many PSDs in one place: the second
 * cat.psd is "cat (2).psd", so that none overwrites another. Names that
 * differ only by case, or by how an accent is encoded, clash too: Windows
 * and macOS take them for one file.
 * @param {string[]} outputs
 */
export function uniqueNames(outputs) {
    const used = new Set();
    const key = (/** @type {string} */ name) => name.normalize('NFC').toLowerCase();
    return outputs.map((output) => {
        let name = output;
        for (let n = 2; used.has(key(name)); ++n) name = output.replace(/(\.psd)?$/, ` (${n})$1`);
        used.add(key(name));
        return name;
    });
}
