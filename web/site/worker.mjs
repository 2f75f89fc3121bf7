// Converts the files the page hands over, one at a time and in order, with
// the WebAssembly module, off the page's thread. The page hands them over
// many at a time, without asking their sizes (each ask is a round trip to the
// browser that would hold up the page), the next ones are read while a file
// converts, and nothing waits for the page between two files.
// See protocol.mjs.
import { errorText, fromWorker, retireAbove } from './protocol.mjs';

let tomel;
try {
    const { default: createTomel } = await import('./tomel.mjs');
    tomel = await createTomel({ onPiece, onResult });
} catch (e) {
    self.postMessage(fromWorker.unavailable(String(e?.message ?? e)));
    throw e;
}

// Read ahead while a file converts: this many reads at once, up to this
// many bytes read. Small files are read in bundles: one Blob of many files
// is one read, where each file's own would cost a round trip to the browser.
const readTogether = 4;
const readAhead = 32 << 20;
const bundleFiles = 64;
const bundleBytes = 4 << 20;
let reading = 0;
let readBytes = 0;
const progressEvery = 25; // ms between progress messages
const queue = []; // { id, name, file, bytes? }
let current = null;
let output = null;
let lastProgress = 0;
let running = false;
// Once its memory has grown past retireAbove, or the module failed, this
// worker converts nothing more: the page replaces it and hands the rest on.
let retired = false;

// The PSD as the module streams it: a PSD up to `asBytes` long is gathered in
// one buffer of its length and handed to the page without a copy; a larger
// one goes into a Blob (which the browser may keep out of the page's memory),
// a few large parts at a time: each Blob made costs about as much as copying
// a megabyte, so they are made few and large.
const asBytes = 64 << 20;
const blobPart = 16 << 20;
class PsdOutput {
    constructor(total) {
        this.bytes = total <= asBytes ? new Uint8Array(total) : null;
        this.length = 0; // gathered in `bytes`
        this.blobs = [];
        this.staging = null;
        this.staged = 0;
    }

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
        if (this.staged === 0) return;
        this.blobs.push(new Blob([this.staging.subarray(0, this.staged)]));
        this.staged = 0;
    }

    // The PSD: a Uint8Array, or a Blob.
    finish() {
        if (this.bytes) return this.length === this.bytes.length ? this.bytes : this.bytes.slice(0, this.length);
        this.flush();
        return new Blob(this.blobs, { type: 'image/vnd.adobe.photoshop' });
    }
}

function onPiece(piece, written, total) {
    output ??= new PsdOutput(total);
    output.add(piece);
    const now = performance.now();
    if (total > 0 && written < total && now - lastProgress >= progressEvery) {
        lastProgress = now;
        self.postMessage(fromWorker.progress(current.id, written / total));
    }
}

function onResult(failed, text) {
    const memory = tomel.HEAPU8.length;
    if (failed) {
        self.postMessage(fromWorker.failed(current.id, text, memory));
    } else {
        const psd = (output ?? new PsdOutput(0)).finish();
        self.postMessage(fromWorker.converted(current.id, text, psd, memory), psd instanceof Blob ? [] : [psd.buffer]);
    }
    output = null;
}

const encoder = new TextEncoder();

// Memory the module takes over (and frees); 0 when it has none to give.
function copyIn(bytes) {
    const at = tomel._tomel_reserve(bytes.length);
    if (at !== 0) tomel.HEAPU8.set(bytes, at);
    return at;
}

function isOutOfMemory(e) {
    return e instanceof RangeError || /out of memory|allocation failed/i.test(String(e?.message ?? e));
}

function convert(job, bytes) {
    current = job;
    lastProgress = performance.now();
    const name = encoder.encode(job.name);
    const data = copyIn(bytes);
    const nameAt = data === 0 ? 0 : copyIn(name);
    if (nameAt === 0) {
        if (data !== 0) tomel._tomel_release(data);
        self.postMessage(fromWorker.failed(job.id, 'Error : Out of memory', tomel.HEAPU8.length));
        return;
    }
    try {
        tomel._tomel_convert(data, bytes.length, nameAt, name.length);
    } catch (e) {
        // The module itself failed, beyond what it reports as a line: its
        // state can't be trusted, and the page replaces this worker.
        output = null;
        retired = true;
        const memory = tomel.HEAPU8.length;
        if (isOutOfMemory(e)) self.postMessage(fromWorker.failed(job.id, 'Error : Out of memory', memory));
        else self.postMessage(fromWorker.stopped(job.id, `${errorText(e)}\n${e?.stack ?? ''}`, memory));
    }
}

function readAlone(file) {
    return file.arrayBuffer().then((buffer) => new Uint8Array(buffer), errorText);
}

// Starts reading the files at the front of the queue, a bundle at a time.
// When a bundle can't be read whole (one of its files was removed, say),
// each of its files is read alone, so that only the unreadable ones fail.
function readSome() {
    let i = 0;
    while (i < queue.length) {
        const job = queue[i];
        if (job.bytes) {
            i += 1;
            continue;
        }
        if (i > 0 && (reading >= readTogether || readBytes >= readAhead)) break;
        const bundle = [job];
        let size = job.file.size;
        while (i + bundle.length < queue.length && bundle.length < bundleFiles) {
            const next = queue[i + bundle.length];
            if (next.bytes || size + next.file.size > bundleBytes) break;
            bundle.push(next);
            size += next.file.size;
        }
        reading += 1;
        readBytes += size;
        const whole = bundle.length === 1 ? job.file : new Blob(bundle.map(({ file }) => file));
        const read = whole.arrayBuffer().then((buffer) => new Uint8Array(buffer), () => null);
        read.then(() => {
            reading -= 1;
            readSome();
        });
        let offset = 0;
        for (const member of bundle) {
            const at = offset;
            member.length = member.file.size;
            offset += member.length;
            member.bytes = read.then((all) => (all ? all.subarray(at, at + member.length) : readAlone(member.file)));
        }
        i += bundle.length;
    }
}

async function run() {
    if (running) return;
    running = true;
    while (queue.length > 0 && !retired) {
        readSome();
        const job = queue[0];
        const bytes = await job.bytes;
        if (queue[0] !== job) continue; // cancelled while it was read
        queue.shift();
        readBytes -= job.length ?? 0;
        readSome();
        if (bytes instanceof Uint8Array) {
            convert(job, bytes);
            if (tomel.HEAPU8.length > retireAbove) retired = true;
        } else {
            self.postMessage(fromWorker.unreadable(job.id, bytes));
        }
    }
    running = false;
}

self.onmessage = ({ data }) => {
    if (data.type === 'convert') {
        for (const job of data.files) queue.push(job);
        run();
    } else if (data.type === 'cancel') {
        const at = queue.findIndex((job) => job.id === data.id);
        if (at >= 0) readBytes -= queue.splice(at, 1)[0].length ?? 0;
    }
};
self.postMessage(fromWorker.ready(tomel.HEAPU8.length));
