// @ts-check
// Every message between the page and its workers (the converter, the store,
// the zip, the preview and the service worker), made only here so that both
// sides agree on their shape. Each receiver has one table of handlers keyed
// by the message's type; the compiler holds the table to the messages.
import { errorText } from './error-text.mjs';

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

/**
 * A worker's answer to each message it can be asked: the reply, and the
 * buffers moved with it. It may tell its progress on the way.
 * @template {{ type: string }} M
 * @template {{ [K in M['type']]: unknown }} R
 * @typedef {{ [K in M['type']]: (message: Extract<M, { type: K }>, progress: (fraction: number) => void) =>
 *     Promise<{ reply: R[K], transfer?: Transferable[] }> }} Answers
 */

/**
 * The worker's side of its link's `ask`: each message asked is answered
 * once, with its reply or why it failed (`describe`'s text of what was thrown).
 * @template {{ type: string }} M
 * @template {{ [K in M['type']]: unknown }} R
 * @param {Answers<M, R>} answers
 * @param {(data: object, transfer?: Transferable[]) => void} post the worker's postMessage
 * @param {(e: unknown) => string} [describe]
 * @returns {(event: { data: { ask: number, message: M } }) => Promise<void>}
 */
export function answerAsks(answers, post, describe = errorText) {
    return async ({ data: { ask, message } }) => {
        try {
            const answer = /** @type {((m: M, p: (f: number) => void) => Promise<{ reply: unknown, transfer?: Transferable[] }>) | undefined} */ (
                Object.hasOwn(answers, message?.type) ? answers[/** @type {M['type']} */ (message.type)] : undefined);
            if (!answer) throw new TypeError(`a message of no known type: ${JSON.stringify(message?.type)}`);
            const { reply, transfer = [] } = await answer(message, (progress) => post({ answer: ask, progress }));
            post({ answer: ask, reply }, transfer);
        } catch (e) {
            post({ answer: ask, failure: describe(e) });
        }
    };
}

// Any worker → its page: it listens. Until then the page's link holds what
// it sends (a worker starting a module would drop it).
export const listening = () => message('ready', {});

/** @typedef {{ id: number, name: string, file: Blob }} Job */

// Page → converting worker.
export const toConverter = {
    // Convert files, in order (a File or Blob each, which the worker reads).
    convert: (/** @type {{ files: Job[] }} */ { files }) => message('convert', { files }),
    // Drop a file handed over but not started yet.
    cancel: (/** @type {{ id: number }} */ { id }) => message('cancel', { id }),
};

// Page → converting worker, asked: the files of one export format of an
// Edge file (`words`: tomel-export's format and options, "gif", "--fps",
// "12"), made from the file read again; answered with the files as
// tomel-export names them and its notes, or the error line.
export const askConverter = {
    export: (/** @type {{ file: Blob, name: string, words: string[] }} */ { file, name, words }) =>
        message('export', { file, name, words }),
};
/** @typedef {{ name: string, blob: Blob }} ExportedFile */
/** @typedef {{ export: { files: ExportedFile[], notes: string[], line: string | null } }} ConverterReplies */

// Converting worker → page. `memory` is the module's memory in bytes (its
// peak so far: it never shrinks). `retiring`: the worker converts nothing
// more, and the page hands the files it had to a new one. The worker alone
// decides that.
export const fromConverter = {
    ready: (/** @type {{ memory: number }} */ { memory }) => message('ready', { memory }),
    // The module could not be loaded or started.
    unavailable: (/** @type {{ detail: string }} */ { detail }) => message('unavailable', { detail }),
    progress: (/** @type {{ id: number, fraction: number }} */ { id, fraction }) => message('progress', { id, fraction }),
    // psd: a Uint8Array (transferred, the whole buffer) or, for a large one, a Blob.
    converted: (/** @type {{ id: number, output: string, psd: Uint8Array<ArrayBuffer> | Blob, memory: number, retiring: boolean }} */
        { id, output, psd, memory, retiring }) => message('converted', { id, output, psd, memory, retiring }),
    // The line the command line prints for the same bytes.
    failed: (/** @type {{ id: number, line: string, memory: number, retiring: boolean }} */ { id, line, memory, retiring }) =>
        message('failed', { id, line, memory, retiring }),
    // The file could not be read (a folder, a file moved or removed), or had
    // changed since it was added.
    unreadable: (/** @type {{ id: number, detail: string, changed: boolean }} */ { id, detail, changed }) =>
        message('unreadable', { id, detail, changed, retiring: false }),
    // An export grew the module past what a worker keeps: it converts
    // nothing more, and the page hands the files it had to a new one.
    retired: (/** @type {{ memory: number }} */ { memory }) => message('retired', { memory }),
    // The module trapped or aborted on this file: its state can't be trusted.
    stopped: (/** @type {{ id: number, detail: string, memory: number }} */ { id, detail, memory }) =>
        message('stopped', { id, detail, memory, retiring: true }),
};

// Page → store worker: PSDs held as bytes (transferred, never copied on the
// page's thread) to be kept as Blobs, which the browser may keep out of the
// page's memory and which any worker can read. Answered with one Blob for
// each part, in order.
export const toStore = {
    store: (/** @type {{ parts: Uint8Array<ArrayBuffer>[] }} */ { parts }) => message('store', { parts }),
};
/** @typedef {{ store: Blob[] }} StoreReplies */

/**
 * A file to zip. `picture`: a sheet's JSON saved under another name than it
 * was made with names its picture as that is saved (`to`), not as made (`from`).
 * @typedef {{ name: string, blob: Blob, picture?: { from: string, to: string } }} ZipFile
 */

// Page → zip worker: answered with the zip, its progress told on the way.
export const toZip = {
    zip: (/** @type {{ files: ZipFile[] }} */ { files }) => message('zip', { files }),
};
/** @typedef {{ zip: Blob }} ZipReplies */

/** @typedef {{ name: string, index: number, children?: TreeNode[] }} TreeNode */
/** @typedef {{ name: string, layers: number[] }} Page */
/**
 * What the preview worker read of a PSD. `tree`: the layer tree, top-most
 * first; `pages`: the top-most first, each page's layers bottom-up.
 * @typedef {{ width: number, height: number, layerCount: number, tree: TreeNode[], pages: Page[], tooLarge: boolean }} Opened
 */

// Page → preview worker: open a PSD (answered with what it holds), then ask
// for a page's picture without what the boxes `unticked` leave out (indices
// of layer records).
export const toPreview = {
    open: (/** @type {{ psd: Blob }} */ { psd }) => message('open', { psd }),
    page: (/** @type {{ page: number, unticked: number[] }} */ { page, unticked }) => message('page', { page, unticked }),
};
/** @typedef {{ open: Opened, page: { page: number, bitmap: ImageBitmap } }} PreviewReplies */

// Page → its service worker: a new version waiting takes over once the user
// agreed to reload; each tab says which version it runs, whose files are then
// kept while it is open.
export const toServiceWorker = {
    takeOver: () => message('take-over', {}),
    running: (/** @type {{ version: string }} */ { version }) => message('running', { version }),
};

/** @typedef {MessageOf<typeof toConverter>} ToConverter */
/** @typedef {MessageOf<typeof fromConverter>} FromConverter */
/** @typedef {MessageOf<typeof askConverter>} AskConverter */
/** @typedef {MessageOf<typeof toStore>} ToStore */
/** @typedef {MessageOf<typeof toZip>} ToZip */
/** @typedef {MessageOf<typeof toPreview>} ToPreview */
/** @typedef {MessageOf<typeof toServiceWorker>} ToServiceWorker */
