// The messages between the page and its converting worker, made only here so
// that both sides agree on their shape. Every message has a `type`.

// An error as the rows and messages show it: its kind and its message.
export function errorText(e) {
    return `${e?.name ?? 'Error'}: ${e?.message ?? e}`;
}

// Page → worker.
export const toWorker = {
    // Convert files, in order: [{ id, name, file }] (a File or Blob each,
    // which the worker reads itself).
    convert: (files) => ({ type: 'convert', files }),
    // Drop a file handed over but not started yet.
    cancel: (id) => ({ type: 'cancel', id }),
};

// A worker whose module memory grew past this converts nothing more after the
// file at hand: WebAssembly memory never shrinks, so the page replaces it and
// gives the memory back.
export const retireAbove = 128 << 20;

// Worker → page. `memory` is the module's memory in bytes: WebAssembly memory
// never shrinks, so it is the worker's peak so far.
export const fromWorker = {
    ready: (memory) => ({ type: 'ready', memory }),
    // The module could not be loaded or started.
    unavailable: (detail) => ({ type: 'unavailable', detail }),
    progress: (id, fraction) => ({ type: 'progress', id, fraction }),
    // psd: a Uint8Array (transferred) or, for a large one, a Blob.
    converted: (id, output, psd, memory) => ({ type: 'converted', id, output, psd, memory }),
    // The line the command line prints for the same bytes.
    failed: (id, line, memory) => ({ type: 'failed', id, line, memory }),
    // The file could not be read (a folder, a file moved or removed).
    unreadable: (id, detail) => ({ type: 'unreadable', id, detail }),
    // The module trapped or aborted on this file; the worker must be replaced.
    stopped: (id, detail, memory) => ({ type: 'stopped', id, detail, memory }),
};

// Page → zip worker: { files: [{ name, psd }] } (a PSD's bytes or Blob). Zip worker → page:
// { type: 'progress', fraction }, then { type: 'zipped', zip } or
// { type: 'zip-failed', detail }.
export const zipMessages = {
    zip: (files) => ({ type: 'zip', files }),
    progress: (fraction) => ({ type: 'progress', fraction }),
    zipped: (zip) => ({ type: 'zipped', zip }),
    failed: (detail) => ({ type: 'zip-failed', detail }),
};

// Page → preview worker: { type: 'open', id, psd }, then
// { type: 'page', id, page, hidden } for each picture (`hidden`: the indices
// of the layers left out). Preview worker → page, one of these.
export const previewMessages = {
    // layers: [{ name, kind }] in file order; pages: [{ name, layers }], the
    // top-most first, each page's layers bottom-up.
    opened: (id, width, height, layers, pages, tooLarge) => ({ type: 'opened', id, width, height, layers, pages, tooLarge }),
    shown: (id, page, bitmap) => ({ type: 'shown', id, page, bitmap }),
    failed: (id, detail) => ({ type: 'preview-failed', id, detail }),
};
