// Reads a PSD back for the preview, off the page's thread: its structure
// (size, layer records, pages) and each page's picture, composited from the
// PSD's own channel data, as an ImageBitmap the page shows without copying.
// See protocol.mjs.
import { errorText, previewMessages } from './protocol.mjs';
import { composePage, pagesOf, readComposite, readStructure } from './psd.mjs';

// Beyond this many pixels a picture would need more memory than a page
// should take (4 bytes each, twice): the preview says so instead.
const largestPreview = 8192 * 8192;

let opened = null; // { id, psd, structure, pages }

self.onmessage = async ({ data }) => {
    const { id } = data;
    try {
        if (data.type === 'open') {
            const psd = data.psd instanceof Blob ? data.psd : new Blob([data.psd]);
            const structure = await readStructure(psd);
            const pages = pagesOf(structure.layers);
            opened = { id, psd, structure, pages };
            const { width, height, layers } = structure;
            const names = layers.map(({ name, kind }) => ({ name, kind }));
            self.postMessage(previewMessages.opened(id, width, height, names, pages, width * height > largestPreview));
        } else if (data.type === 'page' && opened?.id === id) {
            const { psd, structure, pages } = opened;
            if (structure.width * structure.height > largestPreview) return;
            const page = pages[data.page];
            // A document of one flat image has only its composite.
            const image = page.layers.length === 0 && structure.layers.length === 0
                ? await readComposite(psd, structure)
                : await composePage(psd, structure, page, new Set(data.hidden));
            const bitmap = await createImageBitmap(image);
            self.postMessage(previewMessages.shown(id, data.page, bitmap), [bitmap]);
        }
    } catch (e) {
        self.postMessage(previewMessages.failed(id, errorText(e)));
    }
};
