// What a PSD file holds, read back for the preview: the canvas size, the
// composite (the image data at the end of the file, four planes) and the
// layer tree (pages as groups, layer names).

// A name's bytes for display: UTF-8 if valid, else Shift_JIS, else the byte
// values. Trailing zero bytes (the padding of fixed-size names) are not shown;
// the PSD keeps them.
export function decodeName(bytes) {
    let end = bytes.length;
    while (end > 0 && bytes[end - 1] === 0) --end;
    bytes = bytes.subarray(0, end);
    for (const encoding of ['utf-8', 'shift_jis']) {
        try {
            return new TextDecoder(encoding, { fatal: true }).decode(bytes);
        } catch {
            // not this encoding
        }
    }
    return Array.from(bytes, (b) => (b < 0x20 || b > 0x7e ? `\\x${b.toString(16).padStart(2, '0')}` : String.fromCharCode(b))).join('');
}

// Resolves once the PSD can be read in another worker. A large PSD is a Blob
// the browser may still be storing for a while after the conversion; this
// page's own reads wait for it, a worker's given the Blob fail meanwhile.
export async function settled(psd) {
    if (psd instanceof Blob && psd.size > 0) await psd.slice(psd.size - 1).arrayBuffer();
    return psd;
}

async function bytesOf(blob, from, to) {
    return new DataView(await blob.slice(from, to).arrayBuffer());
}

// { width, height, layers: [{ name, kind: 'layer' | 'group' | 'end' }] } in
// file order (the bottom-most first), and where the image data starts.
export async function readStructure(psd) {
    const header = await bytesOf(psd, 0, 26);
    const height = header.getUint32(14);
    const width = header.getUint32(18);
    let at = 26;
    at += 4 + (await bytesOf(psd, at, at + 4)).getUint32(0); // colour mode data
    at += 4 + (await bytesOf(psd, at, at + 4)).getUint32(0); // image resources
    const sectionLength = (await bytesOf(psd, at, at + 4)).getUint32(0);
    const imageData = at + 4 + sectionLength;
    const layers = [];
    const infoLength = sectionLength >= 4 ? (await bytesOf(psd, at + 4, at + 8)).getUint32(0) : 0;
    if (infoLength >= 2) {
        // Layer records are small: read them in one piece, without the pixels.
        const view = await bytesOf(psd, at + 8, at + 8 + Math.min(infoLength, 64 << 20));
        const count = Math.abs(view.getInt16(0));
        let p = 2;
        for (let i = 0; i < count && p < view.byteLength; ++i) {
            const channels = view.getUint16(p + 16);
            p += 18 + 6 * channels + 12; // rectangle, channels, blend mode signature and key, opacity, flags
            const extraEnd = p + 4 + view.getUint32(p);
            p += 4;
            p += 4 + view.getUint32(p); // mask data
            p += 4 + view.getUint32(p); // blending ranges
            const nameLength = view.getUint8(p);
            const name = decodeName(new Uint8Array(view.buffer, view.byteOffset + p + 1, nameLength));
            p += (1 + nameLength + 3) & ~3;
            let kind = 'layer';
            while (p + 12 <= extraEnd) {
                const key = String.fromCharCode(view.getUint8(p + 4), view.getUint8(p + 5), view.getUint8(p + 6), view.getUint8(p + 7));
                const length = view.getUint32(p + 8);
                if (key === 'lsct') kind = view.getUint32(p + 12) === 3 ? 'end' : 'group';
                p += 12 + length;
            }
            p = extraEnd;
            layers.push({ name, kind });
        }
    }
    return { width, height, layers, imageData };
}

// The composite as RGBA ImageData (the file's image data: compression, then
// the red, green, blue and alpha planes). For a worker: it touches every pixel.
export async function readComposite(psd, structure) {
    const { width, height, imageData } = structure;
    const count = width * height;
    const planes = new Uint8Array(await psd.slice(imageData + 2, imageData + 2 + 4 * count).arrayBuffer());
    const rgba = new Uint8ClampedArray(4 * count);
    for (let c = 0; c < 4; ++c) {
        const plane = planes.subarray(c * count, (c + 1) * count);
        for (let i = 0; i < count; ++i) rgba[4 * i + c] = plane[i];
    }
    return new ImageData(rgba, width, height);
}

// The tree, top-most first: [{ name, children? }].
export function layerTree(layers) {
    const root = [];
    const stack = [root];
    // Records go bottom-up; a group's end marker comes before its layers.
    for (const layer of layers) {
        if (layer.kind === 'end') {
            const group = { name: '', children: [] };
            stack[stack.length - 1].unshift(group);
            stack.push(group.children);
        } else if (layer.kind === 'group') {
            const children = stack.pop();
            const parent = stack[stack.length - 1];
            parent[0].name = layer.name;
            parent[0].children = children;
        } else {
            stack[stack.length - 1].unshift({ name: layer.name });
        }
    }
    return root;
}
