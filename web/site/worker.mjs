// Converts the files the page hands over, one at a time and in order, with
// the WebAssembly module, off the page's thread. The page may hand over many
// at once: the next files are read while one converts, and nothing waits for
// a round trip to the page between two files. See protocol.mjs.
import { fromWorker, retireAbove } from './protocol.mjs';

let tomel;
try {
    const { default: createTomel } = await import('./tomel.mjs');
    tomel = await createTomel({ onPiece, onResult });
} catch (e) {
    self.postMessage(fromWorker.unavailable(`${e?.name ?? 'Error'}: ${e?.message ?? e}`));
    throw e;
}

// Read ahead while a file converts, up to this many bytes.
const readAhead = 32 << 20;
const progressEvery = 50; // ms between progress messages
const queue = []; // { id, name, file, bytes? }
let current = null;
let parts = [];
let lastProgress = 0;
let running = false;
// Once its memory has grown past retireAbove, or the module failed, this
// worker converts nothing more: the page replaces it and hands the rest on.
let retired = false;

function onPiece(piece, written, total) {
    // The piece is a view of the module's memory: the Blob copies it now.
    parts.push(new Blob([piece]));
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
        const psd = new Blob(parts, { type: 'image/vnd.adobe.photoshop' });
        self.postMessage(fromWorker.converted(current.id, text, psd, memory));
    }
    parts = [];
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
        parts = [];
        retired = true;
        const memory = tomel.HEAPU8.length;
        if (isOutOfMemory(e)) self.postMessage(fromWorker.failed(job.id, 'Error : Out of memory', memory));
        else self.postMessage(fromWorker.stopped(job.id, `${e?.name ?? 'Error'}: ${e?.message ?? e}\n${e?.stack ?? ''}`, memory));
    }
}

// Starts reading the files at the front of the queue, within readAhead.
function readSome() {
    let ahead = 0;
    for (const job of queue) {
        if (ahead > 0 && ahead + job.file.size > readAhead) break;
        ahead += job.file.size;
        job.bytes ??= job.file.arrayBuffer().then(
            (buffer) => new Uint8Array(buffer),
            (e) => e,
        );
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
        readSome();
        if (bytes instanceof Uint8Array) {
            convert(job, bytes);
            if (tomel.HEAPU8.length > retireAbove) retired = true;
        } else {
            self.postMessage(fromWorker.unreadable(job.id, `${bytes?.name ?? 'Error'}: ${bytes?.message ?? bytes}`));
        }
    }
    running = false;
}

self.onmessage = ({ data }) => {
    if (data.type === 'convert') {
        queue.push({ id: data.id, name: data.name, file: data.file });
        run();
    } else if (data.type === 'cancel') {
        const at = queue.findIndex((job) => job.id === data.id);
        if (at >= 0) queue.splice(at, 1);
    }
};
self.postMessage(fromWorker.ready(tomel.HEAPU8.length));
