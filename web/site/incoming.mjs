// @ts-check
// Where files come from: the picker, files and folders dropped anywhere on
// the page (in the order dropped), and files opened with Tomel from the
// operating system (an installed app's file handler).
import { byId } from './dom.mjs';
import { filesIn } from './folders.mjs';

/** @typedef {import('./adding.mjs').Added} Added */
/**
 * @typedef {{ name: string, getFile(): Promise<File> }} LaunchedHandle
 * @typedef {{ launchQueue?: { setConsumer(consumer: (params: { files: LaunchedHandle[] }) => void): void } }} WithLaunchQueue
 */

/**
 * @param {(files: Added[]) => void} add
 * @param {(text: string) => void} say what a drop of nothing to add is told with
 */
export function takeFiles(add, say) {
    const reading = byId('reading');
    /** @param {File[]} files */
    const addPicked = (files) => add(files.map((file) => ({ name: file.name, file })));

    /** @param {DataTransfer} dataTransfer */
    async function dropped(dataTransfer) {
        // The items are readable only during the drop event: take them now.
        const items = [...dataTransfer.items].filter((item) => item.kind === 'file')
            .map((item) => ({ entry: item.webkitGetAsEntry?.(), file: item.getAsFile() }));
        if (items.length === 0) say('Nothing was added: drop .edg files or folders.');
        for (const { entry, file } of items) {
            if (entry?.isDirectory) {
                const name = entry.name;
                reading.textContent = `Reading '${name}'…`;
                reading.hidden = false;
                try {
                    const files = await filesIn(/** @type {FileSystemDirectoryEntry} */ (entry), (count) => {
                        reading.textContent = `Reading '${name}'… ${count.toLocaleString('en')} ${count === 1 ? 'file' : 'files'}`;
                    });
                    if (files.length === 0) say(`No .edg files in '${name}'.`);
                    else add(files.map(({ file, folder }) => ({ name: file.name, file, folder })));
                } catch {
                    add([{ name, file: null }]);
                } finally {
                    reading.hidden = true;
                }
            } else if (file) {
                addPicked([file]);
            }
        }
    }

    document.addEventListener('dragover', (e) => {
        e.preventDefault();
        document.body.classList.add('over');
    });
    document.addEventListener('dragleave', (e) => {
        if (!e.relatedTarget) document.body.classList.remove('over');
    });
    document.addEventListener('drop', (e) => {
        e.preventDefault();
        document.body.classList.remove('over');
        if (e.dataTransfer) dropped(e.dataTransfer);
    });
    const pick = /** @type {HTMLInputElement} */ (byId('pick'));
    byId('pick-button').onclick = () => pick.click();
    pick.addEventListener('change', () => {
        addPicked([...(pick.files ?? [])]);
        pick.value = '';
    });
    const launching = /** @type {WithLaunchQueue} */ (/** @type {unknown} */ (window));
    launching.launchQueue?.setConsumer(async ({ files }) => {
        // A handle whose file can't be had (moved, say) is a failed row.
        const opened = await Promise.all(files.map((handle) => handle.getFile().catch(() => null)));
        add(opened.map((file, i) => ({ name: files[i].name, file })));
    });
}
