// @ts-check
// The PSDs of the rows converted. A PSD comes from the converting worker as
// bytes (moved to the page, no copy) or, when large, as a Blob. The page
// never copies PSD bytes on its thread: whatever needs a PSD as a Blob (a
// save, the zip, the preview) gets the bytes moved to the store worker, which
// makes the Blob. Past `heldBudget` of bytes in all, the oldest go too, since
// the browser may keep Blobs out of the page's memory.
import { toStore } from './protocol.mjs';
import { settled } from './settled.mjs';
import { WorkerLink } from './worker-link.mjs';

const heldBudget = 256 << 20;

/** @typedef {Uint8Array<ArrayBuffer> | Blob | Promise<Blob>} Held */


export class PsdStore {
    /** @type {Map<number, Held>} */
    #psds = new Map();
    heldBytes = 0;
    /** @type {ReturnType<typeof setTimeout> | null} */
    #moving = null;
    // Nothing more asked: the worker and its memory go.
    /** @type {WorkerLink<never, import('./protocol.mjs').ToStore, import('./protocol.mjs').StoreReplies>} */
    #link = new WorkerLink(new URL('./store-worker.mjs', import.meta.url), {}, () => {}, { endWhenIdle: true });

    /**
     * @param {number} id the row's
     * @param {Uint8Array<ArrayBuffer> | Blob} psd
     */
    put(id, psd) {
        if (psd instanceof Blob) {
            this.#settle(id, settled(psd));
            return;
        }
        this.#psds.set(id, psd);
        this.heldBytes += psd.length;
        this.#moving ??= setTimeout(() => {
            this.#moving = null;
            const oldest = [];
            let over = this.heldBytes - heldBudget;
            for (const [id, held] of this.#psds) {
                if (over <= 0) break;
                if (!(held instanceof Uint8Array)) continue;
                oldest.push(id);
                over -= held.length;
            }
            // Should storing fail, the next ask for one of these PSDs says so:
            // its Blob's promise holds the failure.
            if (oldest.length > 0) this.blobs(oldest).catch(() => {});
        }, 1000);
    }

    /**
     * The PSDs as Blobs any worker can read, in the order asked.
     * @param {number[]} ids
     * @returns {Promise<Blob[]>}
     */
    blobs(ids) {
        const held = ids.map((id) => this.#psds.get(id));
        /** @type {number[]} */
        const moving = [];
        /** @type {Uint8Array<ArrayBuffer>[]} */
        const parts = [];
        held.forEach((psd, i) => {
            if (psd instanceof Uint8Array) {
                moving.push(i);
                parts.push(psd);
            }
        });
        if (parts.length > 0) {
            // Bytes moved to a worker that failed are gone: every PSD of the ask fails.
            const stored = this.#link.ask(toStore.store({ parts }), parts.map((part) => part.buffer)).catch((e) => {
                throw new Error(`the PSDs could not be stored: ${e instanceof Error ? e.message : e}`);
            });
            moving.forEach((i, k) => {
                const blob = stored.then((blobs) => blobs[k]);
                this.heldBytes -= parts[k].length;
                this.#settle(ids[i], blob);
                held[i] = blob;
            });
        }
        return Promise.all(held.map(async (psd) => {
            if (psd === undefined || psd instanceof Uint8Array) throw new Error('no such PSD');
            return psd;
        }));
    }

    // The PSD is the Blob `blob` gives; until then, asks wait for it.
    /**
     * @param {number} id
     * @param {Promise<Blob>} blob
     */
    #settle(id, blob) {
        this.#psds.set(id, blob);
        blob.then((b) => this.#psds.get(id) === blob && this.#psds.set(id, b), () => {});
    }

    clear() {
        this.#psds.clear();
        this.heldBytes = 0;
    }
}
