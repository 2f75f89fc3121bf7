// @ts-check
// The page: a list of added files, converted in order by one Web Worker
// (queue.mjs, worker.mjs), each row drawn from its entry (rows.mjs,
// row-view.mjs), a preview, and the ways to save (saving.mjs). Every file
// ends as a row: converted, failed (with the command line's error line or why
// it could not be read) or cancelled, and the queue always goes on. This
// module only joins the parts.
import { Adder } from './adding.mjs';
import { Announcer } from './announcer.mjs';
import { byId } from './dom.mjs';
import { takeFiles } from './incoming.mjs';
import { serveOffline, showConnection } from './offline.mjs';
import { closePreview, openPreview } from './preview.mjs';
import { whyNoConverter } from './probe.mjs';
import { errorText } from './protocol.mjs';
import { PsdStore } from './psd-store.mjs';
import { ConversionQueue } from './queue.mjs';
import { RowView } from './row-view.mjs';
import { Rows } from './rows.mjs';
import { Saver, download } from './saving.mjs';
import { WorkerLink } from './worker-link.mjs';

/** @typedef {import('./rows.mjs').Entry} Entry */

// For the web stage: with ?strict in the address, a row change the page
// never makes throws instead of being reported.
const strict = new URLSearchParams(location.search).has('strict');

const status = byId('status');
const actions = byId('actions');
const saveAllButton = /** @type {HTMLButtonElement} */ (byId('save-all'));
const zipProgress = /** @type {HTMLProgressElement} */ (byId('zip-progress'));
const saveFolder = /** @type {HTMLButtonElement} */ (byId('save-folder'));
const folderProgress = /** @type {HTMLProgressElement} */ (byId('folder-progress'));

const view = new RowView(byId('files'), {
    cancel: (entry) => queue.cancel(entry),
    preview: (entry, from) => openPreview(entry.output, store.blobs([entry.id]).then(([blob]) => blob), from),
    save: (entry) => saver.saveOne(entry),
});
const rows = new Rows((entry) => view.draw(entry), strict);
const store = new PsdStore();
const announcer = new Announcer(byId('summary'), () => rows.runningCount(), showCount);

// The count above the list, kept as files are added and finish.
function showCount() {
    const { rows: count } = rows.counts();
    byId('list-bar').hidden = count === 0;
    byId('count').textContent = `${count} ${count === 1 ? 'file' : 'files'}: ${rows.runningCount()}`;
}

/** @param {Entry} entry */
function announceFinished(entry) {
    if (entry.state === 'converted') announcer.finished(`${entry.label} converted to ${entry.output}.`);
    else if (entry.state === 'failed') announcer.finished(`${entry.label} failed: ${entry.line}.`);
    else announcer.finished(`${entry.label} cancelled.`);
}

const queue = new ConversionQueue(rows, {
    converted: (entry, psd) => store.put(entry.id, psd),
    finished: announceFinished,
    converter: (ready, detail = '') => {
        status.hidden = ready;
        if (!ready) {
            status.textContent = whyNoConverter(detail);
            status.dataset.detail = detail;
        }
    },
}, (handlers, onFailure) => {
    const link = new WorkerLink(new URL('./worker.mjs', import.meta.url), handlers, onFailure);
    link.start();
    return link;
});

const adder = new Adder(rows, {
    added: (entries) => {
        actions.hidden = false;
        queue.add(entries);
        showCount();
    },
    failed: announceFinished,
    fault: reportError,
});

/** @param {HTMLProgressElement} progress @param {number | null} fraction */
const showProgress = (progress, fraction) => {
    progress.hidden = fraction === null;
    progress.value = fraction ?? 0;
};
/** @typedef {{ showDirectoryPicker?: (options: { mode: string }) => Promise<import('./saving.mjs').Folder> }} WithFolders */
const folders = /** @type {WithFolders} */ (/** @type {unknown} */ (window));
/** @type {WorkerLink<never, import('./protocol.mjs').ToZip, import('./protocol.mjs').ZipReplies>} */
const zipLink = new WorkerLink(new URL('./zip-worker.mjs', import.meta.url), {}, () => {}, { endWhenIdle: true });
const saver = new Saver({
    rows,
    store,
    zipper: zipLink,
    download,
    say: (text) => announcer.say(text),
    zipShown: (fraction) => {
        saveAllButton.disabled = fraction !== null;
        saveAllButton.textContent = fraction === null ? 'Save all as .zip' : 'Zipping…';
        showProgress(zipProgress, fraction);
    },
    folderShown: (fraction) => {
        saveFolder.disabled = fraction !== null;
        showProgress(folderProgress, fraction);
    },
});
// The user closing the chooser picks nothing, and nothing failed.
const pickFolder = () => folders.showDirectoryPicker?.({ mode: 'readwrite' }).catch((e) => {
    if (e instanceof DOMException && e.name === 'AbortError') return null;
    throw e;
}) ?? Promise.resolve(null);

function clearList() {
    // The picker: what follows a clear list.
    byId('pick-button').focus();
    adder.clear();
    queue.cancelAll();
    announcer.hush();
    saver.cancel();
    announcer.say('The list is cleared.');
    view.clear();
    rows.clear();
    store.clear();
    showCount();
    actions.hidden = true;
    closePreview();
}

takeFiles((files) => adder.add(files), (text) => announcer.say(text));
saveAllButton.onclick = () => saver.saveAll();
saveFolder.hidden = typeof folders.showDirectoryPicker !== 'function';
saveFolder.onclick = () => saver.saveIntoFolder(pickFolder).catch((e) => {
    announcer.say(`Saving into the folder failed: ${errorText(e)}`);
});
byId('clear').onclick = clearList;
byId('failed-only').onchange = (e) =>
    byId('files').classList.toggle('failed-only', /** @type {HTMLInputElement} */ (e.target).checked);
window.addEventListener('beforeunload', (e) => {
    if (queue.running || [...rows.entries.values()].some((entry) => entry.state === 'converted' && !entry.saved)) {
        e.preventDefault();
        e.returnValue = '';
    }
});
showConnection();

// The page's scripts run: the message for a page that could not start them goes.
status.hidden = true;
serveOffline().catch(() => {});
