// @ts-check
// Resolves once the Blob can be read in another worker. A large Blob may
// still be being stored by the browser for a while after it was made: its
// maker's own reads wait for it, another worker's given the Blob fail
// meanwhile. Reading its last byte waits.
/** @param {Blob} blob */
export async function settled(blob) {
    if (blob.size > 0) await blob.slice(blob.size - 1).arrayBuffer();
    return blob;
}
