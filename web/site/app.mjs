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
import { labelOf, pictureOf, wordsFor } from './formats.mjs';
import { takeFiles } from './incoming.mjs';
import { listBar } from './list-bar.mjs';
import { serveOffline, showConnection } from './offline.mjs';
import { closePreview, openPicture, openPreview } from './preview.mjs';
import { whyNoConverter } from './probe.mjs';
import { askConverter } from './protocol.mjs';
import { PsdStore } from './psd-store.mjs';
import { ConversionQueue } from './queue.mjs';
import { RowView } from './row-view.mjs';
import { Rows } from './rows.mjs';
import { saveBar } from './save-bar.mjs';
import { download } from './saving.mjs';
import { onSettingsChange, showSettings, settings } from './settings.mjs';
import { WorkerLink } from './worker-link.mjs';

/** @typedef {import('./rows.mjs').Entry} Entry */
/** @typedef {import('./protocol.mjs').FromConverter} FromConverter */
/** @typedef {import('./protocol.mjs').ToConverter} ToConverter */
/** @typedef {import('./protocol.mjs').AskConverter} AskConverter */

// For the web stage: with ?strict in the address, a row change the page
// never makes throws instead of being reported.
const strict = new URLSearchParams(location.search).has('strict');

const status = byId('status');
const actions = byId('actions');

const view = new RowView(byId('files'), {
    cancel: (entry) => queue.cancel(entry),
    preview: (entry, from, format) => (format === 'psd'
        ? openPreview(entry.output, store.blobs([entry.id]).then(([blob]) => blob), from)
        : openPicture(`${entry.label} as ${labelOf(format)}`, () => exported(entry, format).then(pictureOf), from,
            { playing: format !== 'sheet' })),
    save: (entry, format) => saver.saveOne(entry, format),
    cancelSave: (entry) => saver.cancelOne(entry),
    addAgain: () => byId('pick').click(),
});
const rows = new Rows((entry) => view.draw(entry), strict);
const store = new PsdStore();
const announcer = new Announcer(byId('summary'), () => rows.runningCount(), () => showCount());

// The bar above the list, kept as files are added and finish, and after what is told.
const showCount = listBar(rows);

/** @param {Entry} entry */
function announceFinished(entry) {
    if (entry.state === 'converted') announcer.finished(`${entry.label} converted to ${entry.output}.`);
    else if (entry.state === 'failed') announcer.finished(`${entry.label} failed: ${entry.line}.`);
    else announcer.finished(`${entry.label} cancelled.`);
}

// The converting worker: the queue's, which asks it for a row's other formats too.
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
    /** @type {WorkerLink<FromConverter, ToConverter | AskConverter, import('./protocol.mjs').ConverterReplies>} */
    const converter = new WorkerLink(new URL('./worker.mjs', import.meta.url), handlers, onFailure);
    converter.start();
    return converter;
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

// A row's files in another format, made again from its file by the converting worker.
/**
 * @param {import('./rows.mjs').Converted} entry
 * @param {Exclude<import('./formats.mjs').Format, 'psd'>} format
 * @param {AbortSignal} [signal]
 */
const exported = (entry, format, signal) => queue.ask(askConverter.export({ file: entry.file ?? new Blob(), name: entry.name,
    words: wordsFor(format, settings) }), signal);
/** @type {WorkerLink<never, import('./protocol.mjs').ToZip, import('./protocol.mjs').ZipReplies>} */
const zipLink = new WorkerLink(new URL('./zip-worker.mjs', import.meta.url), {}, () => {}, { endWhenIdle: true });
const saver = saveBar({
    rows,
    store,
    exporter: exported,
    zipper: zipLink,
    download,
    say: (text) => announcer.say(text),
    settings,
});

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
showSettings();
view.format = settings.format;
onSettingsChange(() => (view.format = settings.format));
byId('clear').onclick = clearList;
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
