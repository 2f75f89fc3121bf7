// Zips the PSDs for "Save all", off the page's thread: each Blob is read in
// pieces and deflated as it comes, so neither the page nor this worker holds a
// whole PSD. See protocol.mjs.
import { Zip, ZipDeflate } from './fflate.mjs';
import { zipMessages } from './protocol.mjs';

// The zip's pieces are gathered into Blobs of about this size, so that the
// worker's own memory stays small.
const blobPart = 8 << 20;

async function zip(files) {
    const blobs = [];
    let pending = [];
    let pendingBytes = 0;
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
    const total = files.reduce((sum, { blob }) => sum + blob.size, 0);
    let done = 0;
    let lastProgress = 0;
    for (const { name, blob } of files) {
        const entry = new ZipDeflate(name, { level: 6 });
        archive.add(entry);
        const reader = blob.stream().getReader();
        for (;;) {
            const { done: end, value } = await reader.read();
            if (end) break;
            entry.push(value);
            done += value.length;
            const now = performance.now();
            if (now - lastProgress >= 100) {
                lastProgress = now;
                self.postMessage(zipMessages.progress(total > 0 ? done / total : 1));
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

self.onmessage = async ({ data }) => {
    try {
        self.postMessage(zipMessages.zipped(await zip(data.files)));
    } catch (e) {
        self.postMessage(zipMessages.failed(`${e?.name ?? 'Error'}: ${e?.message ?? e}`));
    }
};
