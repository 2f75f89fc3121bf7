// @ts-check
// Keeps PSDs the page held as bytes as Blobs, off the page's thread: the
// bytes arrive moved, not copied, and every part of one message goes into one
// Blob, sliced: making a Blob costs about as much as copying a megabyte,
// whatever its size, so many small PSDs cost one.
import { answerAsks, psdType } from './protocol.mjs';

/** @type {import('./protocol.mjs').Answers<import('./protocol.mjs').ToStore, import('./protocol.mjs').StoreReplies>} */
const answers = {
    store: async ({ parts }) => {
        const whole = new Blob(parts, { type: psdType });
        // A large Blob may still be being stored by the browser for a while;
        // reads here wait for it, another worker's would fail meanwhile.
        if (whole.size > 0) await whole.slice(whole.size - 1).arrayBuffer();
        let at = 0;
        return { reply: parts.map((part) => whole.slice(at, (at += part.length), psdType)) };
    },
};
self.onmessage = answerAsks(answers, (data, transfer = []) => postMessage(data, transfer));
