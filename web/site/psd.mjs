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

// The layer records, parsed from `view` (the layer info after its length):
// [{ name, kind, top, left, bottom, right, opacity, channels: [{ id, length }] }]
// in file order, and where the records end. Throws a RangeError when the view
// ends inside them.
function parseRecords(view) {
    const count = Math.abs(view.getInt16(0));
    const layers = [];
    let p = 2;
    for (let i = 0; i < count; ++i) {
        const [top, left, bottom, right] = [0, 4, 8, 12].map((o) => view.getInt32(p + o));
        const channelCount = view.getUint16(p + 16);
        const channels = [];
        for (let c = 0; c < channelCount; ++c) channels.push({ id: view.getInt16(p + 18 + 6 * c), length: view.getUint32(p + 20 + 6 * c) });
        p += 18 + 6 * channelCount + 8; // rectangle, channels, blend mode signature and key
        const opacity = view.getUint8(p);
        p += 4; // opacity, clipping, flags, filler
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
        if (extraEnd > view.byteLength) throw new RangeError('the view ends inside the records');
        p = extraEnd;
        layers.push({ name, kind, top, left, bottom, right, opacity, channels });
    }
    return { layers, end: p };
}

// { width, height, layers, imageData }: the canvas, the layer records in file
// order (the bottom-most first), each with where its channel data starts
// (`data`), and where the composite's image data starts.
export async function readStructure(psd) {
    const header = await bytesOf(psd, 0, 26);
    const height = header.getUint32(14);
    const width = header.getUint32(18);
    let at = 26;
    at += 4 + (await bytesOf(psd, at, at + 4)).getUint32(0); // colour mode data
    at += 4 + (await bytesOf(psd, at, at + 4)).getUint32(0); // image resources
    const sectionLength = (await bytesOf(psd, at, at + 4)).getUint32(0);
    const imageData = at + 4 + sectionLength;
    let layers = [];
    const infoLength = sectionLength >= 4 ? (await bytesOf(psd, at + 4, at + 8)).getUint32(0) : 0;
    if (infoLength >= 2) {
        // The records are small beside the pixels after them: read a window,
        // larger until it holds them all.
        for (let window = 1 << 16; ; window *= 4) {
            try {
                const parsed = parseRecords(await bytesOf(psd, at + 8, at + 8 + Math.min(infoLength, window)));
                let data = at + 8 + parsed.end;
                for (const layer of parsed.layers) {
                    layer.data = data;
                    for (const channel of layer.channels) data += channel.length;
                }
                layers = parsed.layers;
                break;
            } catch (e) {
                if (!(e instanceof RangeError) || window >= infoLength) throw e;
            }
        }
    }
    return { width, height, layers, imageData };
}

// The pages: each top-level group with the pixel layers inside it (its
// subgroups' included), top-most page first, each page's layers bottom-up as
// indices into `layers`. A document without groups is one page of all its
// layers.
export function pagesOf(layers) {
    const pages = [];
    let depth = 0;
    let current = null;
    layers.forEach((layer, index) => {
        if (layer.kind === 'end') {
            if (depth === 0) current = { name: '', layers: [] };
            depth += 1;
        } else if (layer.kind === 'group') {
            depth -= 1;
            if (depth === 0 && current) {
                current.name = layer.name;
                pages.unshift(current);
                current = null;
            }
        } else if (current) {
            current.layers.push(index);
        }
    });
    if (pages.length === 0) pages.push({ name: '', layers: layers.flatMap((layer, index) => (layer.kind === 'layer' ? [index] : [])) });
    return pages;
}

// A page's picture on the whole canvas, as RGBA ImageData: its layers'
// channel data, bottom-up, each drawn over the ones below (straight alpha,
// scaled by the layer's opacity); the layers in `hidden` are left out.
export async function composePage(psd, structure, page, hidden = new Set()) {
    const { width, height, layers } = structure;
    const rgba = new Uint8ClampedArray(4 * width * height);
    for (const index of page.layers) {
        if (hidden.has(index)) continue;
        const layer = layers[index];
        const w = layer.right - layer.left;
        const h = layer.bottom - layer.top;
        if (w <= 0 || h <= 0) continue;
        const length = layer.channels.reduce((sum, channel) => sum + channel.length, 0);
        const data = new Uint8Array(await psd.slice(layer.data, layer.data + length).arrayBuffer());
        const planes = {};
        let offset = 0;
        for (const channel of layer.channels) {
            // Each channel: its compression (0, raw), then w * h samples.
            planes[channel.id] = data.subarray(offset + 2, offset + 2 + w * h);
            offset += channel.length;
        }
        const [red, green, blue, alpha] = [planes[0], planes[1], planes[2], planes[-1]];
        for (let y = Math.max(0, -layer.top); y < h && layer.top + y < height; ++y) {
            for (let x = Math.max(0, -layer.left); x < w && layer.left + x < width; ++x) {
                const i = y * w + x;
                const a = ((alpha ? alpha[i] : 255) * layer.opacity) / 255;
                if (a === 0) continue;
                const o = 4 * ((layer.top + y) * width + layer.left + x);
                if (a === 255) {
                    // Pixel art's usual case: the pixel covers what is below.
                    rgba[o] = red[i];
                    rgba[o + 1] = green[i];
                    rgba[o + 2] = blue[i];
                    rgba[o + 3] = 255;
                    continue;
                }
                const below = rgba[o + 3] * (1 - a / 255);
                const out = a + below;
                rgba[o] = (red[i] * a + rgba[o] * below) / out;
                rgba[o + 1] = (green[i] * a + rgba[o + 1] * below) / out;
                rgba[o + 2] = (blue[i] * a + rgba[o + 2] * below) / out;
                rgba[o + 3] = out;
            }
        }
    }
    return new ImageData(rgba, width, height);
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

// The tree, top-most first: [{ name, index, children? }], `index` the
// record's place in `layers`.
export function layerTree(layers) {
    const root = [];
    const stack = [root];
    // Records go bottom-up; a group's end marker comes before its layers.
    layers.forEach((layer, index) => {
        if (layer.kind === 'end') {
            const group = { name: '', index, children: [] };
            stack[stack.length - 1].unshift(group);
            stack.push(group.children);
        } else if (layer.kind === 'group') {
            const children = stack.pop();
            const parent = stack[stack.length - 1];
            parent[0].name = layer.name;
            parent[0].index = index;
            parent[0].children = children;
        } else {
            stack[stack.length - 1].unshift({ name: layer.name, index });
        }
    });
    return root;
}
