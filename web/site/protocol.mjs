// @ts-check
// Every message between the page and its workers (the converter, the store,
// the zip, the preview and the service worker), made only here so that both
// sides agree on their shape. Each receiver has one table of handlers keyed
// by the message's type; the compiler holds the table to the messages.

// The type every PSD Blob carries, wherever it is made.
export const psdType = 'image/vnd.adobe.photoshop';

/**
 * A message: its `type` and its fields.
 * @template {string} T
 * @template {object} B
 * @param {T} type
 * @param {B} body
 * @returns {{ type: T } & B}
 */
const message = (type, body) => ({ type, ...body });

/**
 * One handler for each type of message `M`.
 * @template {{ type: string }} M
 * @typedef {{ [K in M['type']]: (message: Extract<M, { type: K }>) => void }} Handlers
 */

/**
 * The union of the messages a table of constructors makes.
 * @template {Record<string, (...args: any[]) => { type: string }>} C
 * @typedef {ReturnType<C[keyof C]>} MessageOf
 */

/**
 * Hands `data` to its handler. A message of no known type is a fault of the
 * sender's, never a thing to pass over quietly.
 * @template {{ type: string }} M
 * @param {Handlers<M>} handlers
 * @param {M} data
 */
export function dispatch(handlers, data) {
    const handler = /** @type {((m: M) => void) | undefined} */ (
        Object.hasOwn(handlers, data?.type) ? handlers[/** @type {M['type']} */ (data.type)] : undefined);
    if (!handler) throw new TypeError(`a message of no known type: ${JSON.stringify(data?.type)}`);
    handler(data);
}

// An error as the rows and messages show it: its kind and its message.
/** @param {unknown} e */
export function errorText(e) {
    const error = /** @type {{ name?: string, message?: string } | null | undefined} */ (e);
    return `${error?.name ?? 'Error'}: ${error?.message ?? e}`;
}

/** @typedef {{ id: number, name: string, file: Blob }} Job */

// Page → converting worker.
export const toConverter = {
    // Convert files, in order (a File or Blob each, which the worker reads).
    convert: (/** @type {Job[]} */ files) => message('convert', { files }),
    // Drop a file handed over but not started yet.
    cancel: (/** @type {number} */ id) => message('cancel', { id }),
};

// A worker whose module memory grew past this converts nothing more after the
// file at hand: WebAssembly memory never shrinks, so a new worker gives the
// memory back.
export const retireAbove = 128 << 20;

// Converting worker → page. `memory` is the module's memory in bytes (its
// peak so far: it never shrinks). `retiring`: the worker converts nothing
// more, and the page hands the files it had to a new one. The worker alone
// decides that.
export const fromConverter = {
    ready: (/** @type {number} */ memory) => message('ready', { memory }),
    // The module could not be loaded or started.
    unavailable: (/** @type {string} */ detail) => message('unavailable', { detail }),
    progress: (/** @type {number} */ id, /** @type {number} */ fraction) => message('progress', { id, fraction }),
    // psd: a Uint8Array (transferred, the whole buffer) or, for a large one, a Blob.
    converted: (/** @type {number} */ id, /** @type {string} */ output, /** @type {Uint8Array<ArrayBuffer> | Blob} */ psd,
        /** @type {number} */ memory, /** @type {boolean} */ retiring) => message('converted', { id, output, psd, memory, retiring }),
    // The line the command line prints for the same bytes.
    failed: (/** @type {number} */ id, /** @type {string} */ line, /** @type {number} */ memory,
        /** @type {boolean} */ retiring) => message('failed', { id, line, memory, retiring }),
    // The file could not be read (a folder, a file moved or removed).
    unreadable: (/** @type {number} */ id, /** @type {string} */ detail) => message('unreadable', { id, detail, retiring: false }),
    // The module trapped or aborted on this file: its state can't be trusted.
    stopped: (/** @type {number} */ id, /** @type {string} */ detail, /** @type {number} */ memory) =>
        message('stopped', { id, detail, memory, retiring: true }),
};

// Page → store worker: PSDs held as bytes (transferred, never copied on the
// page's thread) to be kept as Blobs, which the browser may keep out of the
// page's memory and which any worker can read.
export const toStore = {
    store: (/** @type {number} */ id, /** @type {Uint8Array<ArrayBuffer>[]} */ parts) => message('store', { id, parts }),
};
export const fromStore = {
    // One Blob for each part, in order.
    stored: (/** @type {number} */ id, /** @type {Blob[]} */ blobs) => message('stored', { id, blobs }),
};

/** @typedef {{ name: string, psd: Blob }} ZipFile */

// Page → zip worker, and back: progress, then the zip or why it failed.
export const toZip = {
    zip: (/** @type {ZipFile[]} */ files) => message('zip', { files }),
};
export const fromZip = {
    progress: (/** @type {number} */ fraction) => message('progress', { fraction }),
    zipped: (/** @type {Blob} */ zip) => message('zipped', { zip }),
    failed: (/** @type {string} */ detail) => message('zip-failed', { detail }),
};

/** @typedef {{ name: string, index: number, children?: TreeNode[] }} TreeNode */
/** @typedef {{ name: string, layers: number[] }} Page */

// Page → preview worker: open a PSD, then ask for a page's picture without
// what the boxes `unticked` leave out (indices of layer records).
export const toPreview = {
    open: (/** @type {number} */ id, /** @type {Blob} */ psd) => message('open', { id, psd }),
    page: (/** @type {number} */ id, /** @type {number} */ page, /** @type {number[]} */ unticked) => message('page', { id, page, unticked }),
};
// Preview worker → page. `tree`: the layer tree, top-most first; `pages`:
// the top-most first, each page's layers bottom-up.
export const fromPreview = {
    opened: (/** @type {number} */ id, /** @type {number} */ width, /** @type {number} */ height,
        /** @type {number} */ layerCount, /** @type {TreeNode[]} */ tree, /** @type {Page[]} */ pages,
        /** @type {boolean} */ tooLarge) => message('opened', { id, width, height, layerCount, tree, pages, tooLarge }),
    shown: (/** @type {number} */ id, /** @type {number} */ page, /** @type {ImageBitmap} */ bitmap) => message('shown', { id, page, bitmap }),
    failed: (/** @type {number} */ id, /** @type {string} */ detail) => message('preview-failed', { id, detail }),
};

// Page → its service worker: a new version waiting takes over once the user
// agreed to reload; each tab says which version it runs, whose files are then
// kept while it is open.
export const toServiceWorker = {
    takeOver: () => message('take-over', {}),
    running: (/** @type {string} */ version) => message('running', { version }),
};

/** @typedef {MessageOf<typeof toConverter>} ToConverter */
/** @typedef {MessageOf<typeof fromConverter>} FromConverter */
/** @typedef {MessageOf<typeof toStore>} ToStore */
/** @typedef {MessageOf<typeof fromStore>} FromStore */
/** @typedef {MessageOf<typeof toZip>} ToZip */
/** @typedef {MessageOf<typeof fromZip>} FromZip */
/** @typedef {MessageOf<typeof toPreview>} ToPreview */
/** @typedef {MessageOf<typeof fromPreview>} FromPreview */
/** @typedef {MessageOf<typeof toServiceWorker>} ToServiceWorker */
