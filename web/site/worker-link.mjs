// @ts-check
// The one owner of a worker's life: it starts the worker, sends to it, hands
// each of its messages to one handler table, and replaces or ends it. A
// worker replaced or ended is never heard from again: its late messages and
// errors are dropped here, so no handler sees a message of a worker gone.
//
// Nothing is posted before the worker listens: it says so with a message of
// type "ready" (handed on to the handlers where they take it), and until then
// what is sent or asked waits here.
//
// A message can also be asked: `ask` sends it and returns the promise of its
// reply, paired with it here (the worker answers through `answerAsks`), with
// its progress told on the way. An ask outlives its worker: a worker replaced
// hands the asks it held to the next one, which answers them; so does a
// worker that failed, once. An ask cancelled by its signal is never
// answered; one that two workers failed on, or that moved buffers to a
// worker gone, fails with why; `end` fails them all.
import { dispatch } from './protocol.mjs';

/** @typedef {{ signal?: AbortSignal, onProgress?: (fraction: number) => void }} AskOptions */
/**
 * An ask not answered yet: what to post again to another worker, the worker
 * it was posted to (null: waiting for one that listens), and the workers that
 * failed holding it.
 * @typedef {object} Pending
 * @property {{ ask: number, message: unknown }} data
 * @property {Transferable[]} transfer
 * @property {(reply: any) => void} resolve
 * @property {(e: unknown) => void} reject
 * @property {((fraction: number) => void) | undefined} onProgress
 * @property {Worker | null} postedTo
 * @property {number} failures
 */

// The worker's message that it listens.
export const readyType = 'ready';
// Workers that may fail holding one ask before it fails.
const attempts = 2;

/** An ask that could not be answered: its text is the sentence a row shows. */
export class Unanswered extends Error {
    name = 'Unanswered';
}

/**
 * @template {{ type: string }} In the messages the worker sends unasked
 * @template {{ type: string }} Out the messages sent to it
 * @template {{ [K in Out['type']]?: unknown }} [Replies={}] what each message asked is answered with
 */
export class WorkerLink {
    /** @type {Worker | null} */
    #worker = null;
    #listening = false;
    /** @type {{ data: Out, transfer: Transferable[] }[]} sent before the worker listened */
    #held = [];
    #url;
    #handlers;
    #onFailure;
    #endWhenIdle;
    #makeWorker;
    /** @type {Map<number, Pending>} */
    #asked = new Map();
    #nextAsk = 1;

    /**
     * @param {URL} url the worker's module
     * @param {import('./protocol.mjs').Handlers<In>} handlers
     * @param {(detail: string) => void} onFailure the worker failed beyond its messages (before it
     *   listened: it could not start); its asks go to the next worker the owner starts, or to one of
     *   the link's own where the owner starts none
     * @param {{ endWhenIdle?: boolean, makeWorker?: (url: URL) => Worker }} [options] `endWhenIdle`: the
     *   worker, and its memory, go once nothing asked is left; `makeWorker`: the tests' stand-in
     */
    constructor(url, handlers, onFailure, { endWhenIdle = false, makeWorker = (at) => new Worker(at, { type: 'module' }) } = {}) {
        this.#url = url;
        this.#handlers = handlers;
        this.#onFailure = onFailure;
        this.#endWhenIdle = endWhenIdle;
        this.#makeWorker = makeWorker;
    }

    get running() {
        return this.#worker !== null;
    }

    // Starts the worker if none runs.
    start() {
        if (this.#worker) return;
        const worker = this.#makeWorker(this.#url);
        this.#worker = worker;
        this.#listening = false;
        worker.onmessage = ({ data }) => {
            if (this.#worker !== worker) return;
            if (typeof data?.answer === 'number') this.#answered(data);
            else {
                if (data?.type === readyType) this.#listens(worker);
                if (data?.type !== readyType || Object.hasOwn(this.#handlers, readyType)) dispatch(this.#handlers, data);
            }
        };
        worker.onerror = (event) => {
            if (this.#worker !== worker) return;
            event.preventDefault();
            this.#failed(event.message || 'the worker failed');
        };
        worker.onmessageerror = () => {
            if (this.#worker === worker) this.#failed('a message from the worker could not be read');
        };
    }

    /** @param {Worker} worker */
    #listens(worker) {
        if (this.#listening) return;
        this.#listening = true;
        for (const { data, transfer } of this.#held.splice(0)) worker.postMessage(data, transfer);
        for (const pending of this.#asked.values()) this.#post(pending);
    }

    /** @param {Pending} pending */
    #post(pending) {
        const worker = this.#worker;
        if (!worker || !this.#listening || pending.postedTo === worker) return;
        pending.postedTo = worker;
        worker.postMessage(pending.data, pending.transfer);
    }

    /**
     * @param {Out} data
     * @param {Transferable[]} transfer buffers moved to the worker, never copied
     */
    send(data, transfer = []) {
        this.start();
        if (this.#listening) /** @type {Worker} */ (this.#worker).postMessage(data, transfer);
        else this.#held.push({ data, transfer });
    }

    /**
     * Sends `message` and resolves with the worker's reply to it.
     * @template {Out} M
     * @param {M} message
     * @param {Transferable[]} [transfer] buffers moved to the worker, never copied
     * @param {AskOptions} [options]
     * @returns {Promise<Replies[M['type']]>}
     */
    ask(message, transfer = [], { signal, onProgress } = {}) {
        if (signal?.aborted) return Promise.reject(signal.reason);
        const ask = this.#nextAsk++;
        return new Promise((resolve, reject) => {
            /** @type {Pending} */
            const pending = { data: { ask, message }, transfer, resolve, reject, onProgress, postedTo: null, failures: 0 };
            this.#asked.set(ask, pending);
            signal?.addEventListener('abort', () => {
                if (!this.#asked.delete(ask)) return;
                reject(signal.reason);
                this.#idle();
            }, { once: true });
            this.start();
            this.#post(pending);
        });
    }

    /** @param {{ answer: number, reply?: unknown, progress?: number, failure?: string }} data */
    #answered({ answer, reply, progress, failure }) {
        const pending = this.#asked.get(answer);
        if (!pending) return;
        if (progress !== undefined) {
            pending.onProgress?.(progress);
            return;
        }
        this.#asked.delete(answer);
        if (failure !== undefined) pending.reject(new Error(failure));
        else pending.resolve(reply);
        this.#idle();
    }

    #idle() {
        if (this.#endWhenIdle && this.#asked.size === 0) this.end();
    }

    /** @param {string} detail */
    #failed(detail) {
        const failedWorker = this.#worker;
        // One that failed before it listened could not start: it failed every ask.
        const started = this.#listening;
        this.#stop();
        for (const [ask, pending] of this.#asked) {
            if (started && pending.postedTo !== failedWorker) continue;
            pending.failures += 1;
            if (pending.failures >= attempts) this.#drop(ask, `its worker stopped on it ${attempts} times (${detail})`);
        }
        this.#handOver();
        this.#onFailure(detail);
        // Asks are never left without a worker to answer them.
        if (!this.#worker && this.#asked.size > 0) this.start();
        this.#idle();
    }

    // The worker goes; what was sent to it and not asked goes with it.
    #stop() {
        this.#worker?.terminate();
        this.#worker = null;
        this.#listening = false;
        this.#held = [];
    }

    // Every ask left goes to the next worker, but one whose buffers moved to
    // the worker gone: they went with it.
    #handOver() {
        for (const [ask, pending] of this.#asked) {
            if (pending.postedTo && pending.transfer.length > 0) this.#drop(ask, 'what it handed to the worker was lost with it');
            else pending.postedTo = null;
        }
    }

    /**
     * @param {number} ask
     * @param {string} why
     */
    #drop(ask, why) {
        const pending = this.#asked.get(ask);
        this.#asked.delete(ask);
        pending?.reject(new Unanswered(why));
    }

    // A fresh worker in place of this one: after a failure that may have left
    // its state broken, after a cancel, or to give its memory back. It
    // answers what this one was asked.
    replace() {
        this.#stop();
        this.#handOver();
        this.start();
    }

    // No worker, and no answer to anything asked: each ask fails with `why`.
    /** @param {string} [why] */
    end(why = 'the worker was ended') {
        this.#stop();
        for (const ask of [...this.#asked.keys()]) this.#drop(ask, why);
    }
}
