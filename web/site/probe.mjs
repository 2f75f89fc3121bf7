// @ts-check
// What the browser lacks, in words, for the message at the top when the
// converter can't start.

/** @param {string} detail what starting the converter said */
export function whyNoConverter(detail) {
    if (location.protocol === 'file:') {
        return 'This page was opened from disk (file://), where browsers do not let it start its converter. ' +
            'Serve its folder over http(s): run "python3 -m http.server 8000" in it and open http://localhost:8000/.';
    }
    /** @type {[boolean, string][]} */
    const features = [
        [typeof WebAssembly === 'object', 'WebAssembly'],
        // v128.const: 128-bit SIMD.
        [typeof WebAssembly === 'object' && WebAssembly.validate(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123,
            3, 2, 1, 0, 10, 22, 1, 20, 0, 253, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11])), 'WebAssembly SIMD'],
        // try / catch_all: WebAssembly exceptions.
        [typeof WebAssembly === 'object' && WebAssembly.validate(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 4, 1, 96, 0, 0,
            3, 2, 1, 0, 10, 8, 1, 6, 0, 6, 64, 25, 11, 11])), 'WebAssembly exceptions'],
    ];
    const missing = features.filter(([has]) => !has).map(([, name]) => name);
    if (missing.length) {
        return `This browser lacks ${missing.join(' and ')}, which Tomel needs: use a current Chromium, Firefox or Safari.`;
    }
    return `The converter could not be loaded (${detail}). Reload the page; if this stays, the site is missing files.`;
}
