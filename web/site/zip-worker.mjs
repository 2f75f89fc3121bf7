// @ts-check
// Zips the PSDs for "Save all", off the page's thread: each Blob is read in
// pieces and deflated as it comes (zlib in WebAssembly), so neither the page
// nor this worker holds a whole PSD. The page ends this worker once the zip
// is made, and its memory with it.
import createDeflate from './deflate.mjs';
import { deflaterOn } from './deflater.mjs';
import { answerAsks, listening } from './protocol.mjs';
import { namingPicture } from './sheet-json.mjs';
import { zipMembers } from './zip-writer.mjs';

/**
 * @param {import('./protocol.mjs').ZipFile[]} files
 * @param {(fraction: number) => void} progress
 */
async function zip(files, progress) {
    files = await Promise.all(files.map(async ({ name, blob, picture }) =>
        ({ name, blob: picture ? new Blob([namingPicture(await blob.text(), picture.from, picture.to)]) : blob })));
    const deflater = deflaterOn(await createDeflate());
    const total = files.reduce((sum, { blob }) => sum + blob.size, 0);
    let lastProgress = 0;
    return zipMembers(files.map(({ name, blob }) => ({ name, input: blob })), {
        deflater,
        onRead: (read) => {
            const now = performance.now();
            if (now - lastProgress < 100) return;
            lastProgress = now;
            progress(total > 0 ? read / total : 1);
        },
    });
}

/** @type {import('./protocol.mjs').Answers<import('./protocol.mjs').ToZip, import('./protocol.mjs').ZipReplies>} */
const answers = {
    zip: async ({ files }, progress) => ({ reply: await zip(files, progress) }),
};
self.onmessage = answerAsks(answers, (data, transfer = []) => postMessage(data, transfer));
postMessage(listening());
