// @ts-check
// The one owner of a worker's life: it starts the worker, sends to it, hands
// each of its messages to one handler table, and replaces or ends it. A
// worker replaced or ended is never heard from again: its late messages and
// errors are dropped here, so no handler sees a message of a worker gone.
import { dispatch } from './protocol.mjs';

/**
 * @template {{ type: string }} In the messages the worker sends
 * @template {{ type: string }} Out the messages sent to it
 */
export class WorkerLink {
    /** @type {Worker | null} */
    #worker = null;
    #url;
    #handlers;
    #onFailure;

    /**
     * @param {URL} url the worker's module
     * @param {import('./protocol.mjs').Handlers<In>} handlers
     * @param {(detail: string) => void} onFailure the worker could not start, or failed beyond its messages
     */
    constructor(url, handlers, onFailure) {
        this.#url = url;
        this.#handlers = handlers;
        this.#onFailure = onFailure;
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
            if (this.#worker === worker) dispatch(this.#handlers, data);
        };
        worker.onerror = (event) => {
            if (this.#worker !== worker) return;
            event.preventDefault();
            this.#onFailure(event.message || 'the worker failed');
        };
        worker.onmessageerror = () => {
            if (this.#worker === worker) this.#onFailure('a message from the worker could not be read');
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

    // A fresh worker in place of this one: after a failure that may have left
    // its state broken, after a cancel, or to give its memory back.
    replace() {
        this.end();
        this.start();
    }

    end() {
        this.#worker?.terminate();
        this.#worker = null;
    }
}
