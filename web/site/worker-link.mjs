// @ts-check
// The one owner of a worker's life: it starts the worker, sends to it, hands
// each of its messages to one handler table, and replaces or ends it. A
// worker replaced or ended is never heard from again: its late messages and
// errors are dropped here, so no handler sees a message of a worker gone.
//
// A message can also be asked: `ask` sends it and returns the promise of its
// reply, paired with it here (the worker answers through `answerAsks`), with
// its progress told on the way. An ask cancelled by its signal is never
// answered; a worker that fails fails every ask it holds.
import { dispatch } from './protocol.mjs';

/** @typedef {{ signal?: AbortSignal, onProgress?: (fraction: number) => void }} AskOptions */
/** @typedef {{ resolve: (reply: any) => void, reject: (e: unknown) => void, onProgress?: (fraction: number) => void }} Pending */

/**
 * @template {{ type: string }} In the messages the worker sends unasked
 * @template {{ type: string }} Out the messages sent to it
 * @template {{ [K in Out['type']]?: unknown }} [Replies={}] what each message asked is answered with
 */
export class WorkerLink {
    /** @type {Worker | null} */
    #worker = null;
    #url;
    #handlers;
    #onFailure;
    #endWhenIdle;
    /** @type {Map<number, Pending>} */
    #asked = new Map();
    #nextAsk = 1;

    /**
     * @param {URL} url the worker's module
     * @param {import('./protocol.mjs').Handlers<In>} handlers
     * @param {(detail: string) => void} onFailure the worker could not start, or failed beyond its messages
     * @param {{ endWhenIdle?: boolean }} [options] the worker, and its memory, go once nothing asked is left
     */
    constructor(url, handlers, onFailure, { endWhenIdle = false } = {}) {
        this.#url = url;
        this.#handlers = handlers;
        this.#onFailure = onFailure;
        this.#endWhenIdle = endWhenIdle;
    }

    get running() {
        return this.#worker !== null;
    }

    // Starts the worker if none runs.
    start() {
        if (this.#worker) return;
        const worker = new Worker(this.#url, { type: 'module' });
        this.#worker = worker;
        worker.onmessage = ({ data }) => {
            if (this.#worker !== worker) return;
            if (typeof data?.answer === 'number') this.#answered(data);
            else dispatch(this.#handlers, data);
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

    /**
     * @param {Out} data
     * @param {Transferable[]} transfer buffers moved to the worker, never copied
     */
    send(data, transfer = []) {
        this.start();
        /** @type {Worker} */ (this.#worker).postMessage(data, transfer);
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
            this.#asked.set(ask, { resolve, reject, onProgress });
            signal?.addEventListener('abort', () => {
                if (!this.#asked.delete(ask)) return;
                reject(signal.reason);
                this.#idle();
            }, { once: true });
            this.start();
            /** @type {Worker} */ (this.#worker).postMessage({ ask, message }, transfer);
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
        // What was moved to a worker that failed is gone: so is every answer.
        this.#rejectAll(new Error(detail));
        this.#idle();
        this.#onFailure(detail);
    }

    /** @param {Error} e */
    #rejectAll(e) {
        const asked = [...this.#asked.values()];
        this.#asked.clear();
        for (const { reject } of asked) reject(e);
    }

    // A fresh worker in place of this one: after a failure that may have left
    // its state broken, after a cancel, or to give its memory back.
    replace() {
        this.end();
        this.start();
    }

    end() {
        this.#worker?.terminate();
        this.#worker = null;
        this.#rejectAll(new Error('the worker was ended'));
    }
}
