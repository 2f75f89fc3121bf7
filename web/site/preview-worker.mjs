// Reads a PSD back for the preview, off the page's thread: its structure
// (size, layer records) and its composite as an ImageBitmap, which the page
// shows without copying. See protocol.mjs.
import { readComposite, readStructure } from './psd.mjs';
import { previewMessages } from './protocol.mjs';

// Beyond this many pixels the composite would need more memory than a page
// should take (4 bytes each, twice): the preview says so instead.
const largestPreview = 8192 * 8192;

self.onmessage = async ({ data }) => {
    const { id } = data;
    try {
        const psd = data.psd instanceof Blob ? data.psd : new Blob([data.psd]);
        const structure = await readStructure(psd);
        const { width, height, layers } = structure;
        if (width * height > largestPreview) {
            self.postMessage(previewMessages.tooLarge(id, width, height, layers));
            return;
        }
        const bitmap = await createImageBitmap(await readComposite(psd, structure));
        self.postMessage(previewMessages.shown(id, width, height, layers, bitmap), [bitmap]);
    } catch (e) {
        self.postMessage(previewMessages.failed(id, `${e?.name ?? 'Error'}: ${e?.message ?? e}`));
    }
};
