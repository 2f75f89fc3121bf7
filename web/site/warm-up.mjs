// @ts-check
// A small Edge document made here, for the converting worker to convert once
// before any file. WebAssembly starts on quickly made code and optimises a
// function only after it has run a while, for its later calls: without this,
// the user's first file runs mostly on the slow code (anim took half again
// as long as the next one). Pixel-art-like layers (blocks of colour, some
// noise) on two pages, so inflating, compositing pages and writing planes all
// run. No DOM: it runs in the worker.

/** Little-endian chunks of an Edge2 body: a tag, a length, the payload. */
class Body {
    /** @type {Uint8Array[]} */
    parts = [];

    /** @param {number} tag @param {Uint8Array} payload */
    static chunk(tag, payload) {
        const head = new Uint8Array(6);
        const view = new DataView(head.buffer);
        view.setUint16(0, tag, true);
        view.setInt32(2, payload.length, true);
        const joined = new Uint8Array(6 + payload.length);
        joined.set(head);
        joined.set(payload, 6);
        return joined;
    }

    /** @param {Uint8Array[]} parts */
    static join(parts) {
        const joined = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
        let at = 0;
        for (const part of parts) {
            joined.set(part, at);
            at += part.length;
        }
        return joined;
    }
}

const text = (/** @type {string} */ s) => new TextEncoder().encode(s);
const u8 = (/** @type {number} */ v) => Uint8Array.of(v);
const u16 = (/** @type {number} */ v) => Uint8Array.of(v & 0xff, v >> 8);
const i32AndZero = (/** @type {number} */ v) => Uint8Array.of(v & 0xff, (v >> 8) & 0xff, (v >> 16) & 0xff, v >>> 24, 0);

/** @param {number} width @param {number} height @param {number} seed */
function pixels(width, height, seed) {
    const indices = new Uint8Array(width * height);
    let state = (seed * 2654435761 + 7) >>> 0;
    for (let y = 0; y < height; ++y) {
        for (let x = 0; x < width; ++x) {
            state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
            const block = ((x >> 3) * 5 + (y >> 3) * 11 + seed) % 29;
            indices[y * width + x] = (state >>> 24) < 20 ? (state >>> 8) & 0xff : block < 5 ? 0 : block * 8 + 3;
        }
    }
    return indices;
}

/** The Edge2 body of the document. */
function body() {
    const { chunk, join } = Body;
    const palette = new Uint8Array(768).map((_, i) => (i * 53 + 29) & 0xff);
    const parts = [chunk(1000, u8(8)), chunk(3008, chunk(1000, u8(0))), chunk(3003, chunk(1005, palette))];
    for (let page = 0; page < 2; ++page) {
        const size = 320;
        const layers = [0, 1, 2].map((layer) => chunk(2003, join([
            chunk(1000, text(`Layer ${layer + 1}`)), chunk(1005, u8(1)), chunk(1007, u8(0)),
            chunk(1006, pixels(size, size, page * 3 + layer + 1)),
        ])));
        parts.push(chunk(2003, join([
            chunk(1000, text(`Page ${page + 1}`)), chunk(1005, u16(size)), chunk(1006, u16(size)), chunk(3001, u8(0)),
            chunk(3003, i32AndZero(0)), chunk(3004, i32AndZero(0)), ...layers,
        ])));
    }
    return join(parts);
}

/**
 * The document as an Edge file: its header, then its body in zlib's format
 * (the browser's CompressionStream). Null where the browser can't deflate.
 * @returns {Promise<Uint8Array<ArrayBuffer> | null>}
 */
export async function warmUpDocument() {
    if (typeof CompressionStream !== 'function') return null;
    const deflated = new Blob([body()]).stream().pipeThrough(new CompressionStream('deflate'));
    const zlib = new Uint8Array(await new Response(deflated).arrayBuffer());
    const file = new Uint8Array(12 + zlib.length);
    file.set(text('EDGE'));
    file[4] = 50;
    file.set(zlib, 12);
    return file;
}
