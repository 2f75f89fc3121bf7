// @ts-check
// Keeps PSDs the page held as bytes as Blobs, off the page's thread: the
// bytes arrive moved, not copied, and every part of one message goes into one
// Blob, sliced: making a Blob costs about as much as copying a megabyte,
// whatever its size, so many small PSDs cost one.
import { answerAsks, listening, psdType } from './protocol.mjs';
import { settled } from './settled.mjs';

/** @type {import('./protocol.mjs').Answers<import('./protocol.mjs').ToStore, import('./protocol.mjs').StoreReplies>} */
const answers = {
    store: async ({ parts }) => {
        const whole = await settled(new Blob(parts, { type: psdType }));
        let at = 0;
        return { reply: parts.map((part) => whole.slice(at, (at += part.length), psdType)) };
    },
};
self.onmessage = answerAsks(answers, (data, transfer = []) => postMessage(data, transfer));
postMessage(listening());
