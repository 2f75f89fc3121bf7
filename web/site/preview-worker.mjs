// @ts-check
// Reads a PSD back for the preview, off the page's thread: its structure
// (size, layer records, tree, pages) and each page's picture, composited from
// the PSD's own channel data, as an ImageBitmap the page shows without copying.
import { errorText } from './error-text.mjs';
import { answerAsks, listening } from './protocol.mjs';
import { composePage, hiddenBy, readComposite, readStructure } from './psd.mjs';

// Beyond this many pixels a picture would need more memory than a page
// should take (4 bytes each, twice): the preview says so instead.
const largestPreview = 8192 * 8192;

/** @type {{ psd: Blob, structure: import('./psd.mjs').Structure } | null} */
let opened = null;

/** @type {import('./protocol.mjs').Answers<import('./protocol.mjs').ToPreview, import('./protocol.mjs').PreviewReplies>} */
const answers = {
    open: async ({ psd }) => {
        opened = null;
        const structure = await readStructure(psd);
        opened = { psd, structure };
        const { width, height, layers, tree, pages } = structure;
        const layerCount = layers.filter((layer) => layer.kind === 'layer').length;
        return { reply: { width, height, layerCount, tree, pages, tooLarge: width * height > largestPreview } };
    },
    page: async ({ page: index, unticked }) => {
        if (!opened) throw new Error('no PSD is open');
        const { psd, structure } = opened;
        if (structure.width * structure.height > largestPreview) throw new Error('the PSD is too large to show');
        const page = structure.pages[index];
        // A document of one flat image has only its composite.
        const picture = page.layers.length === 0 && structure.layers.length === 0
            ? await readComposite(psd, structure)
            : await composePage(psd, structure, page, hiddenBy(structure.tree, new Set(unticked)));
        const bitmap = await createImageBitmap(new ImageData(picture.data, picture.width, picture.height));
        return { reply: { page: index, bitmap }, transfer: [bitmap] };
    },
};
self.onmessage = answerAsks(answers, (data, transfer = []) => postMessage(data, transfer),
    (e) => (e instanceof Error && e.name === 'RefusedPsd' ? e.message : errorText(e)));
postMessage(listening());
