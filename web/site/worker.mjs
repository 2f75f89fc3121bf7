// @ts-check
// Converts the files the page hands over, one at a time and in order, with
// the WebAssembly module, off the page's thread. The page hands them over
// many at a time, without asking their sizes (each ask is a round trip to the
// browser that would hold up the page), the next ones are read while a file
// converts, and nothing waits for the page between two files.
import { errorText } from './error-text.mjs';
import { answerAsks, dispatch, fromConverter, psdType } from './protocol.mjs';
import { changed } from './queue.mjs';
import { ReadQueue, readAlone } from './read-queue.mjs';
import { settled } from './settled.mjs';

/** @typedef {import('./protocol.mjs').FromConverter} FromConverter */
/** @typedef {import('./protocol.mjs').ToConverter} ToConverter */
/**
 * Where one call's output goes: a PSD's pieces, an export's files and notes.
 * @typedef {{ piece(piece: Uint8Array<ArrayBuffer>, written: number, total: number): void,
 *     file(name: string, bytes: Uint8Array<ArrayBuffer>): void, note(text: string): void }} Sink
 */

/**
 * @param {FromConverter} data
 * @param {Transferable[]} transfer
 */
const post = (data, transfer = []) => postMessage(data, transfer);

/** @type {Map<number, Sink>} each call's sink, by the number the call names */
const sinks = new Map();
let nextSink = 1;

/** @returns {Promise<import('./tomel.mjs').TomelModule>} */
async function startModule() {
    try {
        const { default: createTomel } = await import('./tomel.mjs');
        return await createTomel({ sinks });
    } catch (e) {
        post(fromConverter.unavailable({ detail: errorText(e) }));
        throw e;
    }
}
let tomel = await startModule();

const progressEvery = 25; // ms between progress messages
const reads = new ReadQueue();
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

// After each file: past retireAbove, the module's memory goes with its worker.
function retiring() {
    retired ||= tomel.HEAPU8.length > retireAbove;
    return retired;
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// Memory the module takes over (and frees); 0 when it has none to give.
/** @param {Uint8Array<ArrayBuffer>} bytes */
function copyIn(bytes) {
    const at = tomel._tomel_reserve(bytes.length);
    if (at !== 0) tomel.HEAPU8.set(bytes, at);
    return at;
}

// How a call of the module ended (its Outcome), and its text.
const outcomes = /** @type {const} */ (['written', 'failed', 'out of memory']);
/** @typedef {{ outcome: typeof outcomes[number], text: string }} Ended */

// The room for a call's text: where it is and how long, two 32-bit words.
let textOut = tomel._tomel_reserve(8);

/**
 * Runs a call of the module on copies of `parts` (each taken over by the
 * module), its output going to `sink`. Where the module has no room for the
 * parts, the call is out of memory without being made.
 * @param {Uint8Array<ArrayBuffer>[]} parts
 * @param {Sink} sink
 * @param {(at: number[], sink: number, text: number) => number} call
 * @returns {Ended}
 */
function callModule(parts, sink, call) {
    /** @type {number[]} */
    const at = [];
    for (const part of parts) {
        const copied = textOut === 0 ? 0 : copyIn(part);
        if (copied === 0) {
            for (const taken of at) tomel._tomel_release(taken);
            return { outcome: 'out of memory', text: 'Error : Out of memory' };
        }
        at.push(copied);
    }
    const id = nextSink++;
    sinks.set(id, sink);
    try {
        const outcome = outcomes[call(at, id, textOut)] ?? 'failed';
        const words = new Uint32Array(tomel.HEAPU8.buffer, textOut, 2);
        return { outcome, text: decoder.decode(tomel.HEAPU8.subarray(words[0], words[0] + words[1])) };
    } finally {
        sinks.delete(id);
    }
}

/** @type {Sink} */
const noFiles = {
    piece() {},
    file() {},
    note() {},
};

/**
 * @param {import('./protocol.mjs').Job} job
 * @param {Uint8Array<ArrayBuffer>} bytes
 */
function convert(job, bytes) {
    /** @type {PsdOutput | null} */
    let output = null;
    let lastProgress = performance.now();
    /** @type {Sink} */
    const sink = {
        ...noFiles,
        piece: (piece, written, total) => {
            output ??= new PsdOutput(total);
            output.add(piece);
            const now = performance.now();
            if (total > 0 && written < total && now - lastProgress >= progressEvery) {
                lastProgress = now;
                post(fromConverter.progress({ id: job.id, fraction: written / total }));
            }
        },
    };
    /** @type {Ended} */
    let ended;
    try {
        const name = encoder.encode(job.name);
        ended = callModule([bytes, name], sink,
            ([data, nameAt], id, text) => tomel._tomel_convert(data, bytes.length, nameAt, name.length, id, text, text + 4));
    } catch (e) {
        // The module itself failed, beyond what it reports as a line: its
        // state can't be trusted, and this worker converts nothing more. A
        // buffer JavaScript could not allocate is memory run out too.
        retired = true;
        const memory = tomel.HEAPU8.length;
        if (e instanceof RangeError) post(fromConverter.failed({ id: job.id, line: 'Error : Out of memory', memory, retiring: true }));
        else post(fromConverter.stopped({ id: job.id, detail: `${errorText(e)}\n${/** @type {Error} */ (e)?.stack ?? ''}`, memory }));
        return;
    }
    const memory = tomel.HEAPU8.length;
    if (ended.outcome === 'written') {
        const psd = (output ?? new PsdOutput(0)).finish();
        post(fromConverter.converted({ id: job.id, output: ended.text, psd, memory, retiring: retiring() }),
            psd instanceof Blob ? [] : [psd.buffer]);
    } else {
        post(fromConverter.failed({ id: job.id, line: ended.text, memory, retiring: retiring() }));
    }
}

async function run() {
    if (running) return;
    running = true;
    while (!retired) {
        const next = await reads.next();
        if (!next) break;
        if ('bytes' in next.read) convert(next.job, next.read.bytes);
        else post(fromConverter.unreadable({ id: next.job.id, detail: next.read.error, changed: next.read.changed }));
    }
    running = false;
}

/**
 * The files of one export format of an Edge file's bytes, as tomel-export
 * makes them; or the error line.
 * @param {Uint8Array<ArrayBuffer>} bytes
 * @param {string} fileName
 * @param {string[]} words tomel-export's format and options
 */
function exportOf(bytes, fileName, words) {
    /** @type {import('./protocol.mjs').ExportedFile[]} */
    const files = [];
    /** @type {string[]} */
    const notes = [];
    const name = encoder.encode(fileName);
    const options = encoder.encode(words.map((word) => `${word}\0`).join(''));
    const ended = callModule([bytes, name, options], {
        ...noFiles,
        // A Blob made here, off the page's thread: the page only hands it on.
        file: (output, view) => files.push({ name: output, blob: new Blob([view], { type: 'application/octet-stream' }) }),
        note: (text) => notes.push(text),
    }, ([data, nameAt, optionsAt], id, text) =>
        tomel._tomel_export(data, bytes.length, nameAt, name.length, optionsAt, options.length, id, text, text + 4));
    return ended.outcome === 'written' ? { files, notes, line: null } : { files: [], notes: [], line: ended.text };
}

// Converted a few times before any file, its output dropped: WebAssembly
// starts on quickly made code and optimises a function only after it has run
// a while, so without this the user's first file ran mostly on the slow code.
// The document is one of the site's own. A warm-up that fails costs nothing
// but the first file's speed.
const warmUpRounds = 200;
try {
    const example = new Uint8Array(await (await fetch(new URL('./warm-up.edg', import.meta.url))).arrayBuffer());
    for (let round = 0; round < warmUpRounds; ++round) {
        callModule([example.slice(), encoder.encode('warm-up.edg')], noFiles, ([data, nameAt], id, text) =>
            tomel._tomel_convert(data, example.length, nameAt, 11, id, text, text + 4));
    }
} catch {
    // A module that threw can't be trusted: a new one.
    tomel = await startModule();
    textOut = tomel._tomel_reserve(8);
}

/** @type {import('./protocol.mjs').Handlers<ToConverter>} */
const handlers = {
    convert: ({ files }) => {
        reads.add(files);
        run();
    },
    cancel: ({ id }) => reads.cancel(id),
};
/** @type {import('./protocol.mjs').Answers<import('./protocol.mjs').AskConverter, import('./protocol.mjs').ConverterReplies>} */
const answers = {
    export: async ({ file, name, words }) => {
        const read = await readAlone(file);
        if ('error' in read) throw new Error(read.changed ? `${changed} (${read.error})` : read.error);
        // Past retireAbove, or after the module threw, the memory goes with
        // this worker, once the files are answered (a task later).
        const retire = () => setTimeout(() => post(fromConverter.retired({ memory: tomel.HEAPU8.length })));
        let made;
        try {
            made = exportOf(read.bytes, name, words);
        } catch (e) {
            retired = true;
            retire();
            // A buffer JavaScript could not allocate is memory run out, as the module says it.
            if (e instanceof RangeError) return { reply: { files: [], notes: [], line: 'Error : Out of memory' } };
            throw e;
        }
        // Handed on to the zip's worker, they must be readable there.
        await Promise.all(made.files.map(({ blob }) => settled(blob)));
        if (!retired && retiring()) retire();
        return { reply: made };
    },
};
const answer = answerAsks(answers, (data, transfer = []) => postMessage(data, transfer));
self.onmessage = (event) => {
    if (typeof event.data?.ask === 'number') answer(event);
    else dispatch(handlers, event.data);
};
post(fromConverter.ready({ memory: tomel.HEAPU8.length }));
