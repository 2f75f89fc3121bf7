// @ts-check
// A dropped folder's Edge files, read through the browser's file system
// entries.
import { edgName } from './rows.mjs';

// Folders read at once, and files' entries opened at once.
const foldersTogether = 4;
const filesTogether = 32;

/**
 * Runs `work` on each item, at most `together` at a time; `items` may grow
 * while it runs.
 * @template T
 * @param {T[]} items
 * @param {number} together
 * @param {(item: T) => Promise<void>} work
 */
async function eachTogether(items, together, work) {
    let next = 0;
    const lane = async () => {
        while (next < items.length) await work(items[next++]);
    };
    // A lane that finds nothing left ends; lanes are restarted while folders
    // found by others are still waiting.
    while (next < items.length) await Promise.all(Array.from({ length: together }, lane));
}

/**
 * A dropped folder's Edge files, its subfolders' included, in name order
 * folder by folder, each with the folder it was in ("art/old", the dropped
 * folder's name first). Several folders are read at a time; `found` is told
 * the count as it grows.
 * @param {FileSystemDirectoryEntry} directory
 * @param {(count: number) => void} found
 * @returns {Promise<{ file: File, folder: string }[]>}
 */
export async function filesIn(directory, found) {
    /** @type {{ path: string[], entry: FileSystemDirectoryEntry }[]} */
    const folders = [{ path: [], entry: directory }];
    /** @type {{ path: string[], entry: FileSystemFileEntry }[]} */
    const edgs = [];
    await eachTogether(folders, foldersTogether, async ({ path, entry }) => {
        const reader = entry.createReader();
        for (;;) {
            /** @type {FileSystemEntry[]} */
            const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
            if (batch.length === 0) break;
            for (const child of batch) {
                if (child.isDirectory) folders.push({ path: [...path, child.name], entry: /** @type {FileSystemDirectoryEntry} */ (child) });
                else if (edgName.test(child.name)) edgs.push({ path: [...path, child.name], entry: /** @type {FileSystemFileEntry} */ (child) });
            }
            found(edgs.length);
        }
    });
    // Each folder's entries in name order, a subfolder's files in its place.
    edgs.sort(({ path: a }, { path: b }) => {
        for (let i = 0; i < Math.min(a.length, b.length); ++i) if (a[i] !== b[i]) return a[i] < b[i] ? -1 : 1;
        return a.length - b.length;
    });
    /** @type {{ file: File, folder: string }[]} */
    const files = new Array(edgs.length);
    const indices = edgs.map((_, i) => i);
    await eachTogether(indices, filesTogether, async (i) => {
        const file = await new Promise((resolve, reject) => edgs[i].entry.file(resolve, reject));
        files[i] = { file, folder: [directory.name, ...edgs[i].path.slice(0, -1)].join('/') };
    });
    return files;
}
