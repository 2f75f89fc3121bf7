// @ts-check
// The zip's deflater: zlib at level 1 in WebAssembly (deflate.mjs), one raw
// deflate stream per zip member, with the CRC-32 of what went in. No DOM: it
// runs in the zip worker and under Node.

/** @typedef {(piece: Uint8Array) => void} PieceSink */
/** @typedef {{ push(chunk: Uint8Array, out: PieceSink): void, end(out: PieceSink): number }} Deflater */

const zStreamEnd = 1;

/**
 * A maker of deflaters on one instance of the module.
 * @param {import('./deflate.mjs').DeflateModule} module
 * @returns {() => Deflater}
 */
export function deflaterOn(module) {
    /** @type {PieceSink} */
    let sink = () => {};
    // Each piece is a view of the module's memory, which the next call reuses.
    module.onDeflated = (view) => sink(view.slice());
    const room = module._tomel_deflate_input_room();
    return () => {
        const stream = module._tomel_deflate_begin();
        if (stream === 0) throw new RangeError('Out of memory');
        let ended = false;
        /** @param {Uint8Array} bytes @param {boolean} finish @param {PieceSink} out */
        const push = (bytes, finish, out) => {
            if (ended) throw new Error('This deflate stream has ended.');
            sink = out;
            let status = 0;
            let at = 0;
            do {
                const n = Math.min(room, bytes.length - at);
                module.HEAPU8.set(bytes.subarray(at, at + n), module._tomel_deflate_input(stream));
                at += n;
                status = module._tomel_deflate_push(stream, n, finish && at === bytes.length ? 1 : 0);
                if (status < 0) {
                    ended = true;
                    module._tomel_deflate_end(stream);
                    throw new Error(`zlib could not deflate (${status}).`);
                }
            } while (at < bytes.length);
            return status;
        };
        return {
            push: (chunk, out) => {
                push(chunk, false, out);
            },
            end: (out) => {
                const status = push(new Uint8Array(0), true, out);
                const crc = module._tomel_deflate_crc(stream) >>> 0;
                ended = true;
                module._tomel_deflate_end(stream);
                if (status !== zStreamEnd) throw new Error(`zlib did not end the stream (${status}).`);
                return crc;
            },
        };
    };
}
