// @ts-check
// Zips the PSDs for "Save all", off the page's thread: each Blob is read in
// pieces and deflated as it comes (zlib in WebAssembly), so neither the page
// nor this worker holds a whole PSD. The page ends this worker once the zip
// is made, and its memory with it.
import createDeflate from './deflate.mjs';
import { deflaterOn } from './deflater.mjs';
import { dispatch, errorText, fromZip } from './protocol.mjs';
import { zipMembers } from './zip-writer.mjs';

/** @param {import('./protocol.mjs').FromZip} data */
const post = (data) => postMessage(data);

/** @param {import('./protocol.mjs').ZipFile[]} files */
async function zip(files) {
    const deflater = deflaterOn(await createDeflate());
    const total = files.reduce((sum, { psd }) => sum + psd.size, 0);
    let lastProgress = 0;
    return zipMembers(files.map(({ name, psd }) => ({ name, input: psd })), {
        deflater,
        onRead: (read) => {
            const now = performance.now();
            if (now - lastProgress < 100) return;
            lastProgress = now;
            post(fromZip.progress(total > 0 ? read / total : 1));
        },
    });
}

/** @type {import('./protocol.mjs').Handlers<import('./protocol.mjs').ToZip>} */
const handlers = {
    zip: ({ files }) => {
        zip(files).then((made) => post(fromZip.zipped(made)), (e) => post(fromZip.failed(errorText(e))));
    },
};
self.onmessage = ({ data }) => dispatch(handlers, data);
