// @ts-check
// The rows as data: every file added is one entry with one state, and every
// change of state goes through `move`, which refuses a change the page never
// makes. The page draws each row from its entry.
//
//   waiting ──► reading ──► converting ──► converted | failed
//      │           │  ▲          │
//      │           ▼  │          ├──► cancelled (a new worker takes the rest)
//      │        waiting ◄────────┘ (its worker replaced before it began, as
//      │                          after an export that grew it: the next one's)
//      └──► failed (the converter could not start) | cancelled
//
// `reading`: handed to the converting worker, which reads it ahead;
// `converting`: the file the worker is at (the oldest handed over). A row
// also "moves" to its own state when its progress changes (converting) or
// its PSD is saved or could not be written (converted).

/** @typedef {'waiting' | 'reading' | 'converting' | 'converted' | 'failed' | 'cancelled'} RowState */

/**
 * What every row has, whatever its state.
 * @typedef {object} Common
 * @property {number} id
 * @property {string} name the file's name
 * @property {string} label what the row calls the file: its name, or, for a file found in a dropped
 *   folder whose name another row has too, its folder within the drop and its name ("art/old/cat.edg")
 * @property {Blob | null} file null where it could not be had at all
 */

/**
 * What each state brings; `move` takes them whole.
 * @typedef {object} StateFields
 * @property {{}} waiting
 * @property {{}} reading
 * @property {{ progress: number }} converting 0 to 1
 * @property {Outcome & Saving & { output: string, size: number }} converted the PSD's name and length
 * @property {Partial<Outcome> & { line: string, detail: string }} failed the command line's error line, or why the file
 *   could not be converted; what the browser or the module said, for a bug report
 * @property {{}} cancelled
 */
/**
 * A converted row's saves.
 * @typedef {object} Saving
 * @property {boolean} saved whether it was saved (alone, in a zip or into a folder), in any format
 * @property {import('./formats.mjs').Format | null} saving the format a save of this row alone is making, or null
 * @property {string | null} saveFailure why its last save failed, in words, until its next save
 */
/**
 * @typedef {object} Outcome
 * @property {number} ms the time from the hand-over to the result
 * @property {number} memory the converter's module memory after this file
 */

/**
 * A row in one state, with that state's fields.
 * @template {RowState} S
 * @typedef {Common & { state: S } & StateFields[S]} In
 */
/** @typedef {In<'waiting'> | In<'reading'> | In<'converting'> | In<'converted'> | In<'failed'> | In<'cancelled'>} Entry */
/** @typedef {In<'converted'>} Converted */

/** @type {Record<RowState, RowState[]>} */
const allowed = {
    waiting: ['reading', 'failed', 'cancelled'],
    reading: ['converting', 'waiting', 'converted', 'failed', 'cancelled'],
    // converting → converting: its progress; converted → converted: saved, or a write that failed.
    converting: ['converting', 'converted', 'failed', 'cancelled', 'waiting'],
    converted: ['converted'],
    failed: [],
    cancelled: [],
};

/**
 * A row that ended: converted, failed or cancelled.
 * @param {Entry} entry
 * @returns {entry is In<'converted'> | In<'failed'> | In<'cancelled'>}
 */
export const hasFinished = (entry) => entry.state === 'converted' || entry.state === 'failed' || entry.state === 'cancelled';

// An Edge document's name. Any file is converted; a failure of one named
// otherwise says so, since it is likely no Edge document at all.
export const edgName = /\.edgg?$/i;

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
        const entry = { id: this.#nextId++, name, label, file, state: 'waiting' };
        this.entries.set(entry.id, entry);
        this.#onChange(entry);
        return entry;
    }

    /**
     * The one way a row changes state. False, and nothing changed, when the
     * change is not one the page makes.
     * @template {RowState} S
     * @param {Entry} entry
     * @param {S} to
     * @param {StateFields[S]} fields what the new state brings
     * @returns {boolean}
     */
    move(entry, to, fields) {
        if (!allowed[entry.state].includes(to) || this.entries.get(entry.id) !== entry) {
            const refused = `row ${entry.id} (${entry.name}): ${entry.state} → ${to} is not allowed`;
            if (this.#strict) throw new Error(refused);
            console.error(refused);
            return false;
        }
        // Fields of the state left stay unread: its type no longer has them,
        // and deleting them would cost every row its fast property access.
        Object.assign(entry, fields, { state: to });
        this.#onChange(entry);
        return true;
    }

    /**
     * A converted row saved, or not (why, in words). Saved once, it stays
     * saved; the note of a failure stays until its next save.
     * @param {Converted} entry
     * @param {string | null} failure
     */
    saved(entry, failure = null) {
        return this.#saves(entry, { saved: entry.saved || failure === null, saving: null, saveFailure: failure });
    }

    /**
     * A save of this row alone starts (in `format`), or ends unfinished
     * (null: cancelled). Starting clears the note of the last one's failure.
     * @param {Converted} entry
     * @param {import('./formats.mjs').Format | null} format
     */
    saving(entry, format) {
        return this.#saves(entry, { saved: entry.saved, saving: format, saveFailure: format === null ? entry.saveFailure : null });
    }

    /**
     * @param {Converted} entry
     * @param {Saving} saving
     */
    #saves(entry, saving) {
        // A save that ends after Clear changes nothing.
        if (this.entries.get(entry.id) !== entry) return false;
        const { output, size, ms, memory } = entry;
        return this.move(entry, 'converted', { output, size, ms, memory, ...saving });
    }

    clear() {
        this.entries.clear();
    }

    counts() {
        const counts = { rows: 0, converted: 0, failed: 0, cancelled: 0, toGo: 0 };
        for (const entry of this.entries.values()) {
            counts.rows += 1;
            if (hasFinished(entry)) counts[entry.state] += 1;
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
 * What two names that Windows and macOS take for one file have alike: their
 * letters ignoring case, and accents however they are encoded.
 * @param {string} name
 */
export const sameNameKey = (name) => name.normalize('NFC').toLowerCase();

/**
 * `name` numbered: "cat (2).psd", "cat (2).sheet.png".
 * @param {string} name
 * @param {number} n
 */
export const numbered = (name, n) => name.replace(/((\.sheet)?\.[A-Za-z0-9]+)?$/, ` (${n})$1`);

/**
 * Names that do not clash, for saving many files in one place, a set of
 * files at a time (one export's, which may name each other): the second
 * cat.psd is "cat (2).psd", and the second sheet "cat (2).sheet.png" with
 * "cat (2).sheet.json", numbered alike, so that none overwrites another.
 * Names that differ only by case, or by how an accent is encoded, clash too:
 * Windows and macOS take them for one file.
 * @param {string[][]} sets
 * @returns {string[][]}
 */
export function uniqueSets(sets) {
    const used = new Set();
    return sets.map((set) => {
        let names = set;
        for (let n = 2; names.some((name) => used.has(sameNameKey(name))); ++n) names = set.map((name) => numbered(name, n));
        for (const name of names) used.add(sameNameKey(name));
        return names;
    });
}

/**
 * Names that do not clash, one file at a time.
 * @param {string[]} outputs
 */
export const uniqueNames = (outputs) => uniqueSets(outputs.map((output) => [output])).map(([name]) => name);
