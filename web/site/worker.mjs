// @ts-check
// Converts the files the page hands over, one at a time and in order, with
// the WebAssembly module, off the page's thread. The page hands them over
// many at a time, without asking their sizes (each ask is a round trip to the
// browser that would hold up the page), the next ones are read while a file
// converts, and nothing waits for the page between two files.
import { dispatch, errorText, fromConverter, psdType } from './protocol.mjs';
import { ReadQueue } from './read-queue.mjs';
import { warmUpDocument } from './warm-up.mjs';

/** @typedef {import('./protocol.mjs').FromConverter} FromConverter */
/** @typedef {import('./protocol.mjs').ToConverter} ToConverter */

/**
 * @param {FromConverter} data
 * @param {Transferable[]} transfer
 */
const post = (data, transfer = []) => postMessage(data, transfer);

/** @returns {Promise<import('./tomel.mjs').TomelModule>} */
async function startModule() {
    try {
        const { default: createTomel } = await import('./tomel.mjs');
        return await createTomel({ onPiece, onResult });
    } catch (e) {
        post(fromConverter.unavailable({ detail: errorText(e) }));
        throw e;
    }
}
let tomel = await startModule();

// Converted once before any file, its output dropped: see warm-up.mjs. A
// warm-up that fails costs nothing but the first file's speed.
let warmingUp = false;
try {
    const document = await warmUpDocument();
    if (document) {
        warmingUp = true;
        const at = tomel._tomel_reserve(document.length);
        const name = tomel._tomel_reserve(1);
        if (at !== 0 && name !== 0) {
            tomel.HEAPU8.set(document, at);
            tomel.HEAPU8[name] = 119; // "w"
            tomel._tomel_convert(at, document.length, name, 1);
        }
    }
} catch {
    // A module that threw can't be trusted: a new one.
    warmingUp = false;
    tomel = await startModule();
} finally {
    warmingUp = false;
}

const progressEvery = 25; // ms between progress messages
const reads = new ReadQueue();
/** @type {import('./protocol.mjs').Job | null} */
let current = null;
/** @type {PsdOutput | null} */
let output = null;
let lastProgress = 0;
let running = false;
// A worker whose module memory grew past this converts nothing more after the
// file at hand: WebAssembly memory never shrinks, so a new worker gives the
// memory back.
const retireAbove = 128 << 20;

// Once its memory has grown past retireAbove, or the module failed, this
// worker converts nothing more: it says so with the file's result, and the
// page hands the rest to a new one.
let retired = false;

// The PSD as the module streams it: a PSD up to `asBytes` long is gathered in
// one buffer of its length and handed to the page without a copy, and the
// page's store makes it a Blob later, in a worker of its own, if it must.
// Making Blobs here took a third of big's time (its 576 MiB went to the
// browser's Blob storage while the module waited), and seconds more when
// the browser was busy. A larger PSD, or one whose buffer can't be had, goes
// into a Blob (which the browser may keep out of the page's memory), a few
// large parts at a time: each Blob made costs about as much as copying a
// megabyte, so they are made few and large.
const asBytes = 1 << 30;
const blobPart = 16 << 20;
class PsdOutput {
    /** @type {Uint8Array<ArrayBuffer> | null} */
    bytes = null;
    length = 0; // gathered in `bytes`
    /** @type {Blob[]} */
    blobs = [];
    /** @type {Uint8Array<ArrayBuffer> | null} */
    staging = null;
    staged = 0;

    /** @param {number} total the length the module announced */
    constructor(total) {
        if (total > asBytes) return;
        try {
            this.bytes = new Uint8Array(total);
        } catch (e) {
            // No room for it whole: it goes in parts.
            if (!(e instanceof RangeError)) throw e;
        }
    }

    /** @param {Uint8Array<ArrayBuffer>} piece */
    add(piece) {
        if (this.bytes) {
            if (this.length + piece.length <= this.bytes.length) {
                this.bytes.set(piece, this.length);
                this.length += piece.length;
                return;
            }
            // More than announced: what is gathered becomes the first part.
            this.blobs.push(new Blob([this.bytes.subarray(0, this.length)]));
            this.bytes = null;
        }
        if (piece.length > blobPart) {
            this.flush();
            this.blobs.push(new Blob([piece]));
            return;
        }
        this.staging ??= new Uint8Array(blobPart);
        if (this.staged + piece.length > blobPart) this.flush();
        this.staging.set(piece, this.staged);
        this.staged += piece.length;
    }

    flush() {
        if (this.staged === 0 || !this.staging) return;
        this.blobs.push(new Blob([this.staging.subarray(0, this.staged)]));
        this.staged = 0;
    }

    // The PSD: a Uint8Array that is its buffer whole, or a Blob.
    finish() {
        if (this.bytes) return this.length === this.bytes.length ? this.bytes : this.bytes.slice(0, this.length);
        this.flush();
        return new Blob(this.blobs, { type: psdType });
    }
}

/**
 * @param {Uint8Array<ArrayBuffer>} piece
 * @param {number} written
 * @param {number} total
 */
function onPiece(piece, written, total) {
    if (warmingUp) return;
    output ??= new PsdOutput(total);
    output.add(piece);
    const now = performance.now();
    if (current && total > 0 && written < total && now - lastProgress >= progressEvery) {
        lastProgress = now;
        post(fromConverter.progress({ id: current.id, fraction: written / total }));
    }
}

// After each file: past retireAbove, the module's memory goes with its worker.
function retiring() {
    retired ||= tomel.HEAPU8.length > retireAbove;
    return retired;
}

/**
 * @param {boolean} failed
 * @param {string} text the output's name, or the error line
 */
function onResult(failed, text) {
    if (warmingUp) return;
    const id = /** @type {import('./protocol.mjs').Job} */ (current).id;
    const memory = tomel.HEAPU8.length;
    if (failed) {
        post(fromConverter.failed({ id, line: text, memory, retiring: retiring() }));
    } else {
        const psd = (output ?? new PsdOutput(0)).finish();
        post(fromConverter.converted({ id, output: text, psd, memory, retiring: retiring() }), psd instanceof Blob ? [] : [psd.buffer]);
    }
    output = null;
}

const encoder = new TextEncoder();

// Memory the module takes over (and frees); 0 when it has none to give.
/** @param {Uint8Array<ArrayBuffer>} bytes */
function copyIn(bytes) {
    const at = tomel._tomel_reserve(bytes.length);
    if (at !== 0) tomel.HEAPU8.set(bytes, at);
    return at;
}

// What the module throws when memory runs out beyond what it reports as a
// line: a buffer JavaScript could not allocate, or the module's own abort.
/** @param {unknown} e */
function isOutOfMemory(e) {
    return e instanceof RangeError || /out of memory|allocation failed/i.test(String(/** @type {Error} */ (e)?.message ?? e));
}

/**
 * @param {import('./protocol.mjs').Job} job
 * @param {Uint8Array<ArrayBuffer>} bytes
 */
function convert(job, bytes) {
    current = job;
    lastProgress = performance.now();
    const name = encoder.encode(job.name);
    const data = copyIn(bytes);
    const nameAt = data === 0 ? 0 : copyIn(name);
    if (nameAt === 0) {
        if (data !== 0) tomel._tomel_release(data);
        post(fromConverter.failed({ id: job.id, line: 'Error : Out of memory', memory: tomel.HEAPU8.length, retiring: retiring() }));
        return;
    }
    try {
        tomel._tomel_convert(data, bytes.length, nameAt, name.length);
    } catch (e) {
        // The module itself failed, beyond what it reports as a line: its
        // state can't be trusted, and this worker converts nothing more.
        output = null;
        retired = true;
        const memory = tomel.HEAPU8.length;
        if (isOutOfMemory(e)) post(fromConverter.failed({ id: job.id, line: 'Error : Out of memory', memory, retiring: true }));
        else post(fromConverter.stopped({ id: job.id, detail: `${errorText(e)}\n${/** @type {Error} */ (e)?.stack ?? ''}`, memory }));
    }
}

async function run() {
    if (running) return;
    running = true;
    while (!retired) {
        const next = await reads.next();
        if (!next) break;
        if ('bytes' in next.read) convert(next.job, next.read.bytes);
        else post(fromConverter.unreadable({ id: next.job.id, detail: next.read.error }));
    }
    running = false;
}

/** @type {import('./protocol.mjs').Handlers<ToConverter>} */
const handlers = {
    convert: ({ files }) => {
        reads.add(files);
        run();
    },
    cancel: ({ id }) => reads.cancel(id),
};
self.onmessage = ({ data }) => dispatch(handlers, data);
post(fromConverter.ready({ memory: tomel.HEAPU8.length }));
