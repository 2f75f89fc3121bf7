// Zips the PSDs for "Save all", off the page's thread: each Blob is read in
// pieces and deflated as it comes, so neither the page nor this worker holds a
// whole PSD. See protocol.mjs.
import { Zip, ZipDeflate } from './fflate.mjs';
import { errorText, zipMessages } from './protocol.mjs';

// The zip's pieces are gathered into Blobs of about this size, so that the
// worker's own memory stays small.
const blobPart = 8 << 20;

// A PSD in pieces: a Blob read as it comes, bytes the page held a megabyte
// at a time.
async function* pieces(psd) {
    if (psd instanceof Blob) {
        const reader = psd.stream().getReader();
        for (;;) {
            const { done, value } = await reader.read();
            if (done) return;
            yield value;
        }
    }
    for (let at = 0; at < psd.length; at += 1 << 20) yield psd.subarray(at, at + (1 << 20));
}

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
    const total = files.reduce((sum, { psd }) => sum + (psd.size ?? psd.length), 0);
    let done = 0;
    let lastProgress = 0;
    for (const { name, psd } of files) {
        const entry = new ZipDeflate(name, { level: 6 });
        archive.add(entry);
        for await (const value of pieces(psd)) {
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
        self.postMessage(zipMessages.failed(errorText(e)));
    }
};
