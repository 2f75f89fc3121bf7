// Converts one file at a time with the WebAssembly module, off the page's
// thread. In: { id, name, bytes }. Out: { id, progress } while the PSD is
// written, then { id, output, psd } (a Blob) or { id, error }, with the
// module's memory (bytes).
import createTomel from './tomel.mjs';

let parts = [];
let current = 0;
const tomel = await createTomel({
    onPiece(piece, written, total) {
        // The piece is the module's memory: copied into a Blob part at once.
        parts.push(new Blob([piece.slice()]));
        self.postMessage({ id: current, progress: total > 0 ? written / total : 0 });
    },
    onResult(failed, text) {
        const psd = failed ? null : new Blob(parts, { type: 'image/vnd.adobe.photoshop' });
        parts = [];
        // The module's memory only grows: its size now is its peak.
        const memory = tomel.HEAPU8.length;
        self.postMessage(failed ? { id: current, error: text, memory } : { id: current, output: text, psd, memory });
    },
});

const encoder = new TextEncoder();

// The module takes over both reservations and frees them.
function copyIn(bytes) {
    const at = tomel._tomel_reserve(bytes.length);
    tomel.HEAPU8.set(bytes, at);
    return at;
}

self.onmessage = ({ data }) => {
    current = data.id;
    const bytes = new Uint8Array(data.bytes);
    const name = encoder.encode(data.name);
    try {
        tomel._tomel_convert(copyIn(bytes), bytes.length, copyIn(name), name.length);
    } catch (e) {
        // The module itself failed (out of memory beyond what it can report):
        // the worker is replaced by the page.
        parts = [];
        self.postMessage({ id: current, error: 'Error : Out of memory', fatal: true, detail: String(e) });
    }
};
self.postMessage({ ready: true });
