// @ts-check
// The files the page converts, in order, through one converting worker
// (worker.mjs): which rows wait, which are handed over, what each message of
// the worker does to them, and when the worker is replaced. It is that
// worker's one owner: the page asks it through `ask`. No DOM here: the page
// draws the rows from their entries.
import { toConverter } from './protocol.mjs';

/** @typedef {import('./rows.mjs').Entry} Entry */
/** @typedef {import('./protocol.mjs').FromConverter} FromConverter */
/** @typedef {import('./protocol.mjs').ToConverter} ToConverter */
/** @typedef {import('./protocol.mjs').AskConverter} AskConverter */
/**
 * What the queue needs of its worker's link (a WorkerLink, or a test's).
 * @typedef {object} ConverterLink
 * @property {(message: ToConverter) => void} send
 * @property {() => void} replace a new worker, which answers what this one was asked
 * @property {(message: AskConverter, transfer: Transferable[], options: import('./worker-link.mjs').AskOptions) =>
 *     Promise<import('./protocol.mjs').ConverterReplies['export']>} ask
 */
/**
 * What a conversion gives the page besides the row's change.
 * @typedef {object} QueueEvents
 * @property {(entry: Entry, psd: Uint8Array<ArrayBuffer> | Blob) => void} converted
 * @property {(entry: Entry) => void} finished a row that ends (converted, failed or cancelled)
 * @property {(ready: boolean, detail?: string) => void} converter the worker is ready, or can't start (why)
 */

// Files handed to the worker at a time: it reads ahead and converts without
// waiting for the page between two files.
const handOver = 256;
const handStep = 32;

export const unreadable = 'Could not be read: a folder, or a file moved or deleted after it was added';
export const changed = 'Changed since it was added: add it again to convert it as it is now';
export const stopped = 'The converter stopped on this file';
export const notStarted = 'Not converted: the converter could not start (see the message at the top)';

export class ConversionQueue {
    /** @type {Entry[]} not handed to the worker yet */
    #waiting = [];
    /** @type {Entry[]} handed over, in order: the first is converting */
    #inFlight = [];
    /** @type {'starting' | 'ready' | 'unavailable'} */
    #worker = 'starting';
    /** @type {ReturnType<typeof setTimeout> | null} */
    #pumping = null;
    /** @type {Map<number, number>} when each row in flight was handed over */
    #handedAt = new Map();
    #rows;
    #events;
    /** @type {ConverterLink} */
    link;

    /**
     * @param {import('./rows.mjs').Rows} rows
     * @param {QueueEvents} events
     * @param {(handlers: import('./protocol.mjs').Handlers<FromConverter>, onFailure: (detail: string) => void) => ConverterLink} makeLink
     */
    constructor(rows, events, makeLink) {
        this.#rows = rows;
        this.#events = events;
        /** @type {import('./protocol.mjs').Handlers<FromConverter>} */
        const handlers = {
            ready: () => {
                this.#worker = 'ready';
                this.#events.converter(true);
                this.#pump();
            },
            unavailable: ({ detail }) => this.#unavailable(detail),
            retired: () => {
                if (this.#worker === 'ready') this.#replace();
            },
            progress: ({ id, fraction }) => {
                const entry = this.#inFlight[0];
                if (entry?.id === id && entry.state === 'converting') this.#rows.move(entry, 'converting', { progress: fraction });
            },
            converted: (m) => this.#result(m, (entry, outcome) => {
                const size = m.psd instanceof Blob ? m.psd.size : m.psd.length;
                this.#rows.move(entry, 'converted', { ...outcome, output: m.output, size, saved: false, saving: null, saveFailure: null });
                this.#events.converted(entry, m.psd);
            }),
            failed: (m) => this.#result(m, (entry, outcome) => this.#rows.move(entry, 'failed', { ...outcome, line: m.line, detail: '' })),
            unreadable: (m) => this.#result(m, (entry, outcome) =>
                this.#rows.move(entry, 'failed', { ...outcome, line: m.changed ? changed : unreadable, detail: m.detail })),
            stopped: (m) => this.#result(m, (entry, outcome) =>
                this.#rows.move(entry, 'failed', { ...outcome, line: stopped, detail: m.detail })),
        };
        this.link = makeLink(handlers, (detail) => this.#failure(detail));
    }

    /**
     * Asks the converting worker, between the files it converts. The worker
     * can't be interrupted: an ask cancelled while it may be at it stops it,
     * and a new worker takes the files (and any other asks).
     * @param {AskConverter} message
     * @param {AbortSignal} [signal]
     */
    ask(message, signal) {
        let answered = false;
        const asked = this.link.ask(message, [], { signal });
        asked.then(() => (answered = true), () => (answered = true));
        signal?.addEventListener('abort', () => {
            if (!answered && this.#worker === 'ready') this.#replace();
        }, { once: true });
        return asked;
    }

    get running() {
        return this.#waiting.length + this.#inFlight.length > 0;
    }

    /** @param {Entry[]} entries rows just added, waiting */
    add(entries) {
        for (const entry of entries) {
            if (this.#worker === 'unavailable') this.#rows.move(entry, 'failed', { line: notStarted, detail: '' });
            else this.#waiting.push(entry);
        }
        this.#pump();
    }

    /** @param {Entry} entry */
    cancel(entry) {
        const at = this.#inFlight.indexOf(entry);
        if (at === 0) {
            // The module cannot be interrupted: its worker goes, and a new one
            // takes the files after it.
            this.#inFlight.shift();
            this.#rows.move(entry, 'cancelled', {});
            this.#replace();
        } else if (at > 0) {
            this.#inFlight.splice(at, 1);
            this.link.send(toConverter.cancel({ id: entry.id }));
            this.#rows.move(entry, 'cancelled', {});
        } else if (this.#waiting.includes(entry)) {
            this.#waiting.splice(this.#waiting.indexOf(entry), 1);
            this.#rows.move(entry, 'cancelled', {});
        } else {
            return;
        }
        this.#events.finished(entry);
    }

    cancelAll() {
        for (const entry of [...this.#inFlight, ...this.#waiting]) this.cancel(entry);
    }

    // A few files per message, a message per task: handing a file over costs
    // the page a round trip to the browser (for the file's size and date), so
    // a long list is handed over in steps, with frames drawn between them.
    #pump() {
        if (this.#worker !== 'ready' || this.#waiting.length === 0 || this.#inFlight.length >= handOver || this.#pumping) return;
        const handed = this.#waiting.splice(0, Math.min(handStep, handOver - this.#inFlight.length));
        const now = performance.now();
        for (const entry of handed) {
            this.#handedAt.set(entry.id, now);
            this.#rows.move(entry, 'reading', {});
        }
        this.#inFlight.push(...handed);
        this.link.send(toConverter.convert({ files: handed.map(({ id, name, file }) => ({ id, name, file: file ?? new Blob() })) }));
        this.#showConverting();
        if (this.#waiting.length > 0) {
            this.#pumping = setTimeout(() => {
                this.#pumping = null;
                this.#pump();
            });
        }
    }

    #showConverting() {
        const entry = this.#inFlight[0];
        if (entry?.state === 'reading') this.#rows.move(entry, 'converting', { progress: 0 });
    }

    /**
     * A file's result: the worker answers in the order it was handed files.
     * @param {FromConverter & { id: number, retiring: boolean, memory?: number }} m
     * @param {(entry: Entry, outcome: import('./rows.mjs').Outcome) => void} apply
     */
    #result(m, apply) {
        const at = this.#inFlight.findIndex((entry) => entry.id === m.id);
        const entry = this.#inFlight[at];
        if (entry) {
            this.#inFlight.splice(at, 1);
            const ms = performance.now() - (this.#handedAt.get(entry.id) ?? 0);
            this.#handedAt.delete(entry.id);
            apply(entry, { ms, memory: m.memory ?? 0 });
            this.#events.finished(entry);
        }
        if (m.retiring) this.#replace();
        else {
            this.#showConverting();
            this.#pump();
        }
    }

    // The worker failed beyond its messages: before it was ready, the
    // converter is unavailable; after, the file at hand stopped it.
    /** @param {string} detail */
    #failure(detail) {
        if (this.#worker === 'starting') this.#unavailable(detail);
        else if (this.#worker === 'ready') {
            const entry = this.#inFlight.shift();
            if (entry) {
                this.#rows.move(entry, 'failed', { line: stopped, detail });
                this.#events.finished(entry);
            }
            this.#replace();
        }
    }

    /** @param {string} detail */
    #unavailable(detail) {
        this.#worker = 'unavailable';
        this.#events.converter(false, detail);
        const left = [...this.#inFlight, ...this.#waiting];
        this.#inFlight = [];
        this.#waiting = [];
        for (const entry of left) {
            this.#rows.move(entry, 'failed', { line: notStarted, detail: '' });
            this.#events.finished(entry);
        }
    }

    // A new worker for the files handed to this one.
    #replace() {
        this.#worker = 'starting';
        for (const entry of this.#inFlight) this.#rows.move(entry, 'waiting', {});
        this.#waiting.unshift(...this.#inFlight);
        this.#inFlight = [];
        this.link.replace();
    }
}
