// @ts-check
// Zips the PSDs for "Save all", off the page's thread: each Blob is read in
// pieces and deflated as it comes, so neither the page nor this worker holds a
// whole PSD.
import { Zip, ZipDeflate } from './fflate.mjs';
import { dispatch, errorText, fromZip } from './protocol.mjs';

// The zip's pieces are gathered into Blobs of about this size, so that the
// worker's own memory stays small.
const blobPart = 8 << 20;

/** @param {import('./protocol.mjs').FromZip} data */
const post = (data) => postMessage(data);

/** @param {import('./protocol.mjs').ZipFile[]} files */
async function zip(files) {
    /** @type {Blob[]} */
    const blobs = [];
    /** @type {Uint8Array<ArrayBuffer>[]} */
    let pending = [];
    let pendingBytes = 0;
    /** @type {Error | null} */
    let failure = null;
    const archive = new Zip((error, chunk) => {
        if (error) {
            failure = error;
            return;
        }
        pending.push(chunk);
        pendingBytes += chunk.length;
        if (pendingBytes >= blobPart) {
            blobs.push(new Blob(pending));
            pending = [];
            pendingBytes = 0;
        }
    });
    const total = files.reduce((sum, { psd }) => sum + psd.size, 0);
    let done = 0;
    let lastProgress = 0;
    for (const { name, psd } of files) {
        const entry = new ZipDeflate(name, { level: 6 });
        archive.add(entry);
        const reader = psd.stream().getReader();
        for (;;) {
            const { done: end, value } = await reader.read();
            if (end) break;
            entry.push(value);
            done += value.length;
            const now = performance.now();
            if (now - lastProgress >= 100) {
                lastProgress = now;
                post(fromZip.progress(total > 0 ? done / total : 1));
            }
        }
        entry.push(new Uint8Array(0), true);
        if (failure) throw failure;
    }
    archive.end();
    if (failure) throw failure;
    blobs.push(new Blob(pending));
    return new Blob(blobs, { type: 'application/zip' });
}

/** @type {import('./protocol.mjs').Handlers<import('./protocol.mjs').ToZip>} */
const handlers = {
    zip: ({ files }) => {
        zip(files).then((made) => post(fromZip.zipped(made)), (e) => post(fromZip.failed(errorText(e))));
    },
};
self.onmessage = ({ data }) => dispatch(handlers, data);
