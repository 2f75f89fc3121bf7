// @ts-check
// Reads a PSD back for the preview, off the page's thread: its structure
// (size, layer records, tree, pages) and each page's picture, composited from
// the PSD's own channel data, as an ImageBitmap the page shows without copying.
import { dispatch, errorText, fromPreview } from './protocol.mjs';
import { composePage, hiddenBy, readComposite, readStructure } from './psd.mjs';

// Beyond this many pixels a picture would need more memory than a page
// should take (4 bytes each, twice): the preview says so instead.
const largestPreview = 8192 * 8192;

/** @type {{ id: number, psd: Blob, structure: import('./psd.mjs').Structure } | null} */
let opened = null;

/**
 * @param {import('./protocol.mjs').FromPreview} data
 * @param {Transferable[]} transfer
 */
const post = (data, transfer = []) => postMessage(data, transfer);

/**
 * @param {number} id
 * @param {() => Promise<void>} work
 */
async function answering(id, work) {
    try {
        await work();
    } catch (e) {
        post(fromPreview.failed(id, e instanceof Error && e.name === 'RefusedPsd' ? e.message : errorText(e)));
    }
}

/** @type {import('./protocol.mjs').Handlers<import('./protocol.mjs').ToPreview>} */
const handlers = {
    open: ({ id, psd }) => answering(id, async () => {
        opened = null;
        const structure = await readStructure(psd);
        opened = { id, psd, structure };
        const { width, height, layers, tree, pages } = structure;
        const layerCount = layers.filter((layer) => layer.kind === 'layer').length;
        post(fromPreview.opened(id, width, height, layerCount, tree, pages, width * height > largestPreview));
    }),
    page: ({ id, page: index, unticked }) => answering(id, async () => {
        if (opened?.id !== id) return;
        const { psd, structure } = opened;
        if (structure.width * structure.height > largestPreview) return;
        const page = structure.pages[index];
        // A document of one flat image has only its composite.
        const picture = page.layers.length === 0 && structure.layers.length === 0
            ? await readComposite(psd, structure)
            : await composePage(psd, structure, page, hiddenBy(structure.tree, new Set(unticked)));
        const bitmap = await createImageBitmap(new ImageData(picture.data, picture.width, picture.height));
        post(fromPreview.shown(id, index, bitmap), [bitmap]);
    }),
};
self.onmessage = ({ data }) => dispatch(handlers, data);
