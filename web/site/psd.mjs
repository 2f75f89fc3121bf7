// @ts-check
// What a PSD file holds, read back for the preview: the canvas size, the
// composite (the image data at the end of the file, four planes) and the
// layer tree (pages as groups, layer names). It reads what Tomel writes:
// version 1, RGB, 8 bits, raw channel data; anything else is refused.

/**
 * @typedef {object} Layer
 * @property {string} name
 * @property {'layer' | 'group' | 'end'} kind a pixel layer, a group's record, or the marker that ends a group (below its layers)
 * @property {number} top
 * @property {number} left
 * @property {number} bottom
 * @property {number} right
 * @property {number} opacity
 * @property {{ id: number, length: number }[]} channels
 * @property {number} data where its channel data starts
 */
/** @typedef {import('./protocol.mjs').TreeNode} TreeNode */
/** @typedef {import('./protocol.mjs').Page} Page */
/**
 * @typedef {object} Structure
 * @property {number} width
 * @property {number} height
 * @property {Layer[]} layers in file order, the bottom-most first
 * @property {number} imageData where the composite's image data starts
 * @property {TreeNode[]} tree
 * @property {Page[]} pages
 */
/** @typedef {{ data: Uint8ClampedArray<ArrayBuffer>, width: number, height: number }} Picture */

// A file the preview does not read: not one of Tomel's PSDs.
export class RefusedPsd extends Error {
    name = 'RefusedPsd';
}

// A name's bytes for display: UTF-8 if valid, else Shift_JIS, else the byte
// values. Trailing zero bytes (the padding of fixed-size names) are not shown;
// the PSD keeps them.
/** @param {Uint8Array} bytes */
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

/**
 * @param {Blob} blob
 * @param {number} from
 * @param {number} to
 */
async function bytesOf(blob, from, to) {
    return new DataView(await blob.slice(from, to).arrayBuffer());
}

// The layer records, parsed from `view` (the layer info after its length),
// in file order, and where the records end. Throws a RangeError when the view
// ends inside them.
/** @param {DataView} view */
function parseRecords(view) {
    const count = Math.abs(view.getInt16(0));
    /** @type {Layer[]} */
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
        /** @type {Layer['kind']} */
        let kind = 'layer';
        while (p + 12 <= extraEnd) {
            const key = String.fromCharCode(view.getUint8(p + 4), view.getUint8(p + 5), view.getUint8(p + 6), view.getUint8(p + 7));
            const length = view.getUint32(p + 8);
            if (key === 'lsct') kind = view.getUint32(p + 12) === 3 ? 'end' : 'group';
            p += 12 + length;
        }
        if (extraEnd > view.byteLength) throw new RangeError('the view ends inside the records');
        p = extraEnd;
        layers.push({ name, kind, top, left, bottom, right, opacity, channels, data: 0 });
    }
    return { layers, end: p };
}

// The canvas, the layer records, the layer tree and the pages.
/**
 * @param {Blob} psd
 * @returns {Promise<Structure>}
 */
export async function readStructure(psd) {
    if (psd.size < 26) throw new RefusedPsd('not a PSD file: it ends before its header does');
    const header = await bytesOf(psd, 0, 26);
    if (header.getUint32(0) !== 0x38425053) throw new RefusedPsd('not a PSD file (its signature is not 8BPS)');
    if (header.getUint16(4) !== 1) throw new RefusedPsd(`a PSD of version ${header.getUint16(4)}, not 1`);
    if (header.getUint16(22) !== 8) throw new RefusedPsd(`a PSD of ${header.getUint16(22)} bits a channel, not 8`);
    if (header.getUint16(24) !== 3) throw new RefusedPsd(`a PSD in colour mode ${header.getUint16(24)}, not RGB`);
    const height = header.getUint32(14);
    const width = header.getUint32(18);
    let at = 26;
    at += 4 + (await bytesOf(psd, at, at + 4)).getUint32(0); // colour mode data
    at += 4 + (await bytesOf(psd, at, at + 4)).getUint32(0); // image resources
    const sectionLength = (await bytesOf(psd, at, at + 4)).getUint32(0);
    const imageData = at + 4 + sectionLength;
    /** @type {Layer[]} */
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
    if ((await bytesOf(psd, imageData, imageData + 2)).getUint16(0) !== 0) throw new RefusedPsd('a PSD whose image data is compressed');
    return { width, height, layers, imageData, ...nesting(layers) };
}

// The group nesting, walked once: the tree, top-most first, each node's
// `index` its record's place in `layers`; and the pages: each top-level group
// with the pixel layers inside it (its subgroups' included), top-most page
// first, each page's layers bottom-up. A document without groups is one page
// of all its layers. Records go bottom-up; a group's end marker comes before
// its layers, its own record after them.
/** @param {Layer[]} layers */
export function nesting(layers) {
    /** @typedef {{ children: TreeNode[], layers: number[] }} Open */
    /** @type {Open[]} */
    const open = [{ children: [], layers: [] }];
    /** @type {Page[]} */
    const pages = [];
    layers.forEach((layer, index) => {
        if (layer.kind === 'end') {
            open.push({ children: [], layers: [] });
            return;
        }
        if (layer.kind === 'layer') {
            const inner = open[open.length - 1];
            inner.children.unshift({ name: layer.name, index });
            inner.layers.push(index);
            return;
        }
        const group = open.pop();
        if (!group || open.length === 0) throw new RefusedPsd(`a group (${layer.name}) that was never opened`);
        const parent = open[open.length - 1];
        parent.children.unshift({ name: layer.name, index, children: group.children });
        if (open.length === 1) pages.unshift({ name: layer.name, layers: group.layers });
        else parent.layers.push(...group.layers);
    });
    if (open.length !== 1) throw new RefusedPsd('a group that never ends');
    if (pages.length === 0) pages.push({ name: '', layers: open[0].layers });
    return { tree: open[0].children, pages };
}

// The layers a tree leaves out when the boxes of `unticked` (records'
// indices) are cleared: each of those, and everything inside an unticked group.
/**
 * @param {TreeNode[]} tree
 * @param {Set<number>} unticked
 */
export function hiddenBy(tree, unticked) {
    /** @type {Set<number>} */
    const hidden = new Set();
    /**
     * @param {TreeNode[]} nodes
     * @param {boolean} inHidden
     */
    const walk = (nodes, inHidden) => {
        for (const node of nodes) {
            const hide = inHidden || unticked.has(node.index);
            if (hide) hidden.add(node.index);
            if (node.children) walk(node.children, hide);
        }
    };
    walk(tree, false);
    return hidden;
}

// A page's picture on the whole canvas, as RGBA samples: its layers'
// channel data, bottom-up, each drawn over the ones below (straight alpha,
// scaled by the layer's opacity); the layers in `hidden` are left out.
/**
 * @param {Blob} psd
 * @param {Structure} structure
 * @param {Page} page
 * @param {Set<number>} hidden
 * @returns {Promise<Picture>}
 */
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
        /** @type {Map<number, Uint8Array<ArrayBuffer>>} */
        const planes = new Map();
        let offset = 0;
        for (const channel of layer.channels) {
            // Each channel: its compression (0, raw), then w * h samples.
            if (channel.length < 2 + w * h || offset + channel.length > data.length) {
                throw new RefusedPsd(`layer ${layer.name}: a channel shorter than its pixels`);
            }
            if (data[offset] !== 0 || data[offset + 1] !== 0) throw new RefusedPsd(`layer ${layer.name}: compressed channel data`);
            planes.set(channel.id, data.subarray(offset + 2, offset + 2 + w * h));
            offset += channel.length;
        }
        const [red, green, blue] = [0, 1, 2].map((id) => planes.get(id));
        const alpha = planes.get(-1);
        if (!red || !green || !blue) throw new RefusedPsd(`layer ${layer.name}: not red, green and blue`);
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
    return { data: rgba, width, height };
}

// The composite as RGBA (the file's image data: compression, then
// the red, green, blue and alpha planes). For a worker: it touches every pixel.
/**
 * @param {Blob} psd
 * @param {Structure} structure
 * @returns {Promise<Picture>}
 */
export async function readComposite(psd, structure) {
    const { width, height, imageData } = structure;
    const count = width * height;
    const planes = new Uint8Array(await psd.slice(imageData + 2, imageData + 2 + 4 * count).arrayBuffer());
    const rgba = new Uint8ClampedArray(4 * count);
    for (let c = 0; c < 4; ++c) {
        const plane = planes.subarray(c * count, (c + 1) * count);
        for (let i = 0; i < count; ++i) rgba[4 * i + c] = plane[i];
    }
    return { data: rgba, width, height };
}
