// @ts-check
// The page: a list of added files, converted in order by one Web Worker
// (queue.mjs, worker.mjs), each row drawn from its entry (rows.mjs), a
// preview, and the ways to save. Every file ends as a row: converted, failed
// (with the command line's error line or why it could not be read) or
// cancelled, and the queue always goes on.
import { byId, element } from './dom.mjs';
import { closePreview, openPreview } from './preview.mjs';
import { errorText, toServiceWorker, toZip } from './protocol.mjs';
import { PsdStore } from './psd-store.mjs';
import { ConversionQueue, notStarted, unreadable } from './queue.mjs';
import { Rows, finished, uniqueNames } from './rows.mjs';
import { WorkerLink } from './worker-link.mjs';

/** @typedef {import('./rows.mjs').Entry} Entry */

// For the web stage: with ?strict in the address, a row change the page
// never makes throws instead of being reported.
const forTheStage = { strict: new URLSearchParams(location.search).has('strict') };

// What to do about each error line: the README's advice.
/** @type {Record<string, string>} */
const advice = {
    'Error : InvalidFormat': 'Not an Edge document, or a damaged one: open it in Edge and save it again.',
    'Error : UnsupportedFormat': 'Larger than a PSD file can hold, or an empty canvas: crop or split it in Edge.',
    'Error : Eof': 'The file ends early (an unfinished download or copy): copy it again.',
    'Error : OutsideBounds': 'The file is damaged: copy it again, or take it from a backup.',
    'Error : Invalid data': 'The compressed body is damaged: copy it again, or take it from a backup.',
    'Error : Invalid huffman': 'The compressed body is damaged: copy it again, or take it from a backup.',
    'Error : Invalid CRC': 'The compressed body is damaged: copy it again, or take it from a backup.',
    'Error : Unsupported dictionary': 'The compressed body is damaged: copy it again, or take it from a backup.',
    'Error : Overflow': 'More than 32767 layers and groups in all: merge or remove layers in Edge.',
    'Error : Out of memory':
        'The document needs more memory than this browser gives a page: convert it with the tomel command instead.',
    [unreadable]: 'Add it again from where it is now.',
    [notStarted]: '',
};

// An Edge document's name. Any file is converted; a failure of one named
// otherwise says so, since it is likely no Edge document at all.
const edgName = /\.edgg?$/i;

const list = byId('files');
const status = byId('status');
const summary = byId('summary');
const actions = byId('actions');
const saveAllButton = /** @type {HTMLButtonElement} */ (byId('save-all'));
const zipProgress = /** @type {HTMLProgressElement} */ (byId('zip-progress'));
const listBar = byId('list-bar');
const countText = byId('count');

/**
 * @param {string} className
 * @param {string} text
 * @param {string} label
 * @param {() => void} onclick
 */
function button(className, text, label, onclick) {
    const b = /** @type {HTMLButtonElement} */ (element('button', className, text));
    b.type = 'button';
    b.setAttribute('aria-label', label);
    b.onclick = onclick;
    return b;
}

/** @param {number} bytes */
function size(bytes) {
    if (bytes < 1024) return `${bytes} B`;
    if (bytes < 1 << 20) return `${(bytes / 1024).toFixed(1)} KiB`;
    return `${(bytes / (1 << 20)).toFixed(1)} MiB`;
}

// The live region. Files finishing within 300 ms are told together, so that a
// batch is not read out file by file, with the running count; what the user
// did (a save, Clear, "Save all") is told on its own. Each text stays at least
// 1.5 s, so that none is replaced before a screen reader has spoken it.
class Announcer {
    /** @type {({ files: string[] } | { text: string })[]} */
    #pending = [];
    /** @type {ReturnType<typeof setTimeout> | null} */
    #timer = null;
    #quietFrom = 0;
    static #hold = 1500;
    static #gather = 300;

    /** @param {string} text a file finished */
    finished(text) {
        const last = this.#pending.at(-1);
        if (last && 'files' in last) last.files.push(text);
        else this.#pending.push({ files: [text] });
        this.#schedule(Announcer.#gather);
    }

    /** @param {string} text what the user's action did */
    say(text) {
        this.#pending.push({ text });
        this.#schedule(0);
    }

    /** Nothing more about the files gone; what the user did is still told. */
    hush() {
        this.#pending = this.#pending.filter((item) => !('files' in item));
    }

    /** @param {number} gather */
    #schedule(gather) {
        if (this.#timer !== null) return;
        const wait = Math.max(gather, this.#quietFrom - performance.now());
        this.#timer = setTimeout(() => this.#speak(), wait);
    }

    #speak() {
        this.#timer = null;
        const next = this.#pending.shift();
        if (!next) return;
        if ('files' in next) {
            const what = next.files.length === 1 ? next.files[0] : `${next.files.length} files finished.`;
            summary.textContent = `${what} ${rows.runningCount()}.`;
        } else {
            summary.textContent = next.text;
        }
        showCount();
        this.#quietFrom = performance.now() + Announcer.#hold;
        if (this.#pending.length > 0) this.#schedule(0);
    }
}
const announcer = new Announcer();

// The count above the list, kept as files are added and finish.
function showCount() {
    const { rows: count } = rows.counts();
    listBar.hidden = count === 0;
    countText.textContent = `${count} ${count === 1 ? 'file' : 'files'}: ${rows.runningCount()}`;
}

// Rows ----------------------------------------------------------------------

/** @typedef {{ li: HTMLElement, result: HTMLElement, buttons: HTMLElement, progress: HTMLProgressElement, drawn: string }} RowView */
/** @type {Map<number, RowView>} each entry's row, drawn from it */
const rowViews = new Map();

/** @param {Entry} entry */
function rowView(entry) {
    let view = rowViews.get(entry.id);
    if (!view) {
        const li = element('li');
        li.dataset.name = entry.name;
        const progress = /** @type {HTMLProgressElement} */ (element('progress'));
        progress.max = 1;
        progress.setAttribute('aria-label', `Converting ${entry.label}`);
        view = { li, result: element('span', 'result'), buttons: element('span', 'buttons'), progress, drawn: '' };
        li.append(view.result, view.buttons);
        list.append(li);
        rowViews.set(entry.id, view);
    }
    return view;
}

// Focus for a row's lost button: the row's own first button, else the next
// row's, else the one before, else the list itself.
/** @param {HTMLElement} li */
function focusNear(li) {
    const target = [li, li.nextElementSibling, li.previousElementSibling]
        .map((row) => row?.querySelector('button')).find((b) => b && b.getClientRects().length > 0);
    (target ?? list).focus();
}

// Draws the entry's row: all of it when its state changed, else its progress.
/** @param {Entry} entry */
function draw(entry) {
    const view = rowView(entry);
    // An attribute, so that every step can be observed.
    view.progress.setAttribute('value', String(entry.progress));
    if (view.drawn === entry.state) return;
    view.drawn = entry.state;
    const { li, buttons } = view;
    // A row whose buttons change under the keyboard's focus passes it on.
    const hadFocus = buttons.contains(document.activeElement);
    drawState(entry, view);
    if (hadFocus && !buttons.contains(document.activeElement)) focusNear(li);
}

/**
 * @param {Entry} entry
 * @param {RowView} view
 */
function drawState(entry, { li, result, buttons, progress }) {
    li.dataset.state = entry.state;
    if (finished.includes(/** @type {typeof finished[number]} */ (entry.state))) {
        li.dataset.finished = '';
        // For the benchmark and tests: the time from the hand-over, and the
        // module's memory after this file.
        li.dataset.ms = String(entry.ms ?? 0);
        li.dataset.memory = String(entry.memory ?? 0);
    }
    progress.hidden = entry.state !== 'converting';
    switch (entry.state) {
    case 'waiting':
    case 'reading':
    case 'converting':
        result.textContent = `${entry.label} → ${entry.state === 'converting' ? 'converting' : 'waiting'}`;
        if (buttons.childElementCount === 0) {
            buttons.append(progress, button('cancel', 'Cancel', `Cancel ${entry.label}`, () => queue.cancel(entry)));
        }
        return;
    case 'cancelled':
        buttons.replaceChildren();
        result.textContent = `${entry.label} → cancelled`;
        return;
    case 'converted': {
        const output = /** @type {string} */ (entry.output);
        li.dataset.output = output;
        result.textContent = `${entry.label} → ${output} (${size(entry.size ?? 0)})`;
        const show = button('show', 'Preview', `Preview ${output}`,
            () => openPreview(output, store.blobs([entry.id]).then(([blob]) => blob), show));
        const save = button('save', 'Save', `Save ${output}`, () => saveOne(entry));
        buttons.replaceChildren(show, save);
        return;
    }
    case 'failed': {
        const line = /** @type {string} */ (entry.line);
        buttons.replaceChildren();
        li.classList.add('failed');
        li.dataset.line = line;
        result.textContent = `${entry.label}: ${line}${edgName.test(entry.name) ? '' : '; this is not an .edg file'}`;
        result.classList.add('error');
        li.append(element('span', 'advice', advice[line] ?? 'Check the file and try again.'));
        if (entry.detail) {
            // Kept for a bug report.
            const more = element('details');
            more.append(element('summary', '', 'Details'), element('pre', '', entry.detail));
            li.append(more);
            li.dataset.detail = entry.detail;
        }
    }
    }
}

const rows = new Rows(draw, forTheStage.strict);
const store = new PsdStore();

/** @param {Entry} entry */
function announceFinished(entry) {
    if (entry.state === 'converted') announcer.finished(`${entry.label} converted to ${entry.output}.`);
    else if (entry.state === 'failed') announcer.finished(`${entry.label} failed: ${entry.line}.`);
    else announcer.finished(`${entry.label} cancelled.`);
}

// What the browser lacks, in words, for the top message.
/** @param {string} detail */
function whyNoConverter(detail) {
    if (location.protocol === 'file:') {
        return 'This page was opened from disk (file://), where browsers do not let it start its converter. ' +
            'Serve its folder over http(s): run "python3 -m http.server 8000" in it and open http://localhost:8000/.';
    }
    /** @type {[boolean, string][]} */
    const features = [
        [typeof WebAssembly === 'object', 'WebAssembly'],
        // v128.const: 128-bit SIMD.
        [typeof WebAssembly === 'object' && WebAssembly.validate(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123,
            3, 2, 1, 0, 10, 22, 1, 20, 0, 253, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11])), 'WebAssembly SIMD'],
        // try / catch_all: WebAssembly exceptions.
        [typeof WebAssembly === 'object' && WebAssembly.validate(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 4, 1, 96, 0, 0,
            3, 2, 1, 0, 10, 8, 1, 6, 0, 6, 64, 25, 11, 11])), 'WebAssembly exceptions'],
    ];
    const missing = features.filter(([has]) => !has).map(([, name]) => name);
    if (missing.length) {
        return `This browser lacks ${missing.join(' and ')}, which Tomel needs: use a current Chromium, Firefox or Safari.`;
    }
    return `The converter could not be loaded (${detail}). Reload the page; if this stays, the site is missing files.`;
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

// Adds a row for each file and hands them on, a few milliseconds of rows at a
// time so that thousands of files never hold a frame back; a file that could
// not be had at all is a failed row at once. Files added while others are
// still being added come after them; Clear drops what is not yet added.
let adding = Promise.resolve();
let addingRound = 0;
const addingSlice = 8;
/** @param {{ name: string, file: Blob | null, folder?: string }[]} files */
function addFiles(files) {
    const round = addingRound;
    adding = adding.then(async () => {
        // A file from a dropped folder whose name another row has, or
        // another file of this drop, is shown with its folder: two rows
        // never read alike where the page can tell them apart.
        const key = (/** @type {string} */ name) => name.normalize('NFC').toLowerCase();
        const named = new Map();
        for (const { name } of [...rows.entries.values(), ...files]) named.set(key(name), (named.get(key(name)) ?? 0) + 1);
        for (let at = 0; at < files.length && round === addingRound;) {
            const start = performance.now();
            /** @type {Entry[]} */
            const added = [];
            do {
                const { name, file, folder } = files[at++];
                const entry = rows.add(name, file, folder && named.get(key(name)) > 1 ? `${folder}/${name}` : name);
                if (file) {
                    added.push(entry);
                } else {
                    rows.move(entry, 'failed', { line: unreadable });
                    announceFinished(entry);
                }
            } while (at < files.length && performance.now() - start < addingSlice);
            actions.hidden = false;
            queue.add(added);
            showCount();
            if (at < files.length) await new Promise((resolve) => setTimeout(resolve, 0));
        }
    // A fault here is reported, and the files added after still come.
    }).catch((e) => reportError(e));
}

/** @param {File[]} files */
const addPicked = (files) => addFiles(files.map((file) => ({ name: file.name, file })));

// Saving ------------------------------------------------------------------

/**
 * @param {Blob} blob
 * @param {string} name
 */
function download(blob, name) {
    const url = URL.createObjectURL(blob);
    const a = /** @type {HTMLAnchorElement} */ (element('a'));
    a.href = url;
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
}

/** @param {Entry} entry */
function saveOne(entry) {
    store.blobs([entry.id]).then(([blob]) => {
        download(blob, /** @type {string} */ (entry.output));
        entry.saved = true;
        announcer.say(`${entry.output} saved.`);
    }, (e) => {
        announcer.say(`${entry.output} could not be saved: ${errorText(e)}`);
    });
}

const convertedEntries = () => [...rows.entries.values()].filter((entry) => entry.state === 'converted');

// One .zip of every PSD, made in a worker of its own while the page goes on.
// The PSDs go to it as Blobs: nothing is copied on the page's thread. Clear
// cancels a zip being made: its worker is ended, and nothing of it comes.
/** @type {Entry[]} */
let zipping = [];
/** @type {AbortController | null} */
let zipCancel = null;
/** @type {WorkerLink<import('./protocol.mjs').FromZip, import('./protocol.mjs').ToZip>} */
const zipLink = new WorkerLink(new URL('./zip-worker.mjs', import.meta.url), {
    progress: ({ fraction }) => {
        zipProgress.value = fraction;
    },
    zipped: ({ zip }) => {
        download(zip, 'tomel-psd.zip');
        for (const entry of zipping) entry.saved = true;
        endZip(`tomel-psd.zip saved: ${zipping.length} PSD ${zipping.length === 1 ? 'file' : 'files'}.`);
    },
    'zip-failed': ({ detail }) => endZip(`The zip could not be made: ${detail}`),
}, (detail) => endZip(`The zip could not be made: ${detail}`));

/** @param {string} message */
function endZip(message) {
    zipLink.end();
    zipping = [];
    zipCancel = null;
    saveAllButton.disabled = false;
    saveAllButton.textContent = 'Save all as .zip';
    zipProgress.hidden = true;
    announcer.say(message);
}

async function saveAll() {
    const saving = convertedEntries();
    if (saveAllButton.disabled || saving.length === 0) return;
    zipping = saving;
    const { signal } = (zipCancel = new AbortController());
    signal.addEventListener('abort', () => endZip('The zip being made was cancelled.'));
    saveAllButton.disabled = true;
    saveAllButton.textContent = 'Zipping…';
    zipProgress.value = 0;
    zipProgress.hidden = false;
    const names = uniqueNames(saving.map((entry) => /** @type {string} */ (entry.output)));
    try {
        const blobs = await store.blobs(saving.map((entry) => entry.id));
        if (!signal.aborted) zipLink.send(toZip.zip(blobs.map((psd, i) => ({ name: names[i], psd }))));
    } catch (e) {
        if (!signal.aborted) endZip(`The zip could not be made: ${errorText(e)}`);
    }
}

/**
 * @typedef {{ getFileHandle(name: string, options: { create: boolean }): Promise<FileSystemFileHandle> }} Folder
 * @typedef {{ showDirectoryPicker?: (options: { mode: string }) => Promise<Folder> }} WithFolders
 */
const folders = /** @type {WithFolders} */ (/** @type {unknown} */ (window));

const saveFolder = /** @type {HTMLButtonElement} */ (byId('save-folder'));
const folderProgress = /** @type {HTMLProgressElement} */ (byId('folder-progress'));

// Every PSD written into a folder the user picks, named as in the zip (a
// second cat.psd is "cat (2).psd"). A write that fails is told in its row,
// and the others go on.
async function saveIntoFolder() {
    if (!folders.showDirectoryPicker || saveFolder.disabled) return;
    let folder;
    try {
        folder = await folders.showDirectoryPicker({ mode: 'readwrite' });
    } catch (e) {
        // The user closed the chooser: nothing to save, nothing failed.
        if (e instanceof DOMException && e.name === 'AbortError') return;
        throw e;
    }
    const saving = convertedEntries();
    const names = uniqueNames(saving.map((entry) => /** @type {string} */ (entry.output)));
    saveFolder.disabled = true;
    folderProgress.value = 0;
    folderProgress.hidden = false;
    let failed = 0;
    try {
        const blobs = await store.blobs(saving.map((entry) => entry.id));
        for (const [i, entry] of saving.entries()) {
            try {
                const handle = await folder.getFileHandle(names[i], { create: true });
                await blobs[i].stream().pipeTo(await handle.createWritable());
                entry.saved = true;
                showSaveFailure(entry, null);
            } catch (e) {
                failed += 1;
                showSaveFailure(entry, `${names[i]} could not be written into the folder: ${errorText(e)}`);
            }
            folderProgress.value = (i + 1) / saving.length;
        }
    } finally {
        saveFolder.disabled = false;
        folderProgress.hidden = true;
    }
    const saved = saving.length - failed;
    announcer.say(`${saved} PSD ${saved === 1 ? 'file' : 'files'} saved into the folder` +
        (failed > 0 ? `; ${failed} could not be written (see ${failed === 1 ? 'its row' : 'their rows'}).` : '.'));
}

// A row's note that its PSD could not be written, or none.
/** @param {Entry} entry @param {string | null} text */
function showSaveFailure(entry, text) {
    const view = rowViews.get(entry.id);
    if (!view) return;
    view.li.querySelector('.save-failed')?.remove();
    view.li.classList.toggle('save-failed-row', text !== null);
    if (text !== null) view.li.append(element('span', 'save-failed error', text));
}

function clearList() {
    // The picker: what follows a clear list.
    byId('pick-button').focus();
    addingRound += 1;
    queue.cancelAll();
    announcer.hush();
    zipCancel?.abort();
    announcer.say('The list is cleared.');
    list.replaceChildren();
    rowViews.clear();
    rows.clear();
    store.clear();
    showCount();
    actions.hidden = true;
    closePreview();
}

// Adding files --------------------------------------------------------------

// Folders read at once, and files' entries opened at once, in a dropped folder.
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
async function filesIn(directory, found) {
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

const reading = byId('reading');

// Files and folders dropped anywhere on the page, in the order dropped.
/** @param {DataTransfer} dataTransfer */
async function dropped(dataTransfer) {
    // The items are readable only during the drop event: take them now.
    const items = [...dataTransfer.items].filter((item) => item.kind === 'file')
        .map((item) => ({ entry: item.webkitGetAsEntry?.(), file: item.getAsFile() }));
    if (items.length === 0) announcer.say('Nothing was added: drop .edg files or folders.');
    for (const { entry, file } of items) {
        if (entry?.isDirectory) {
            const name = entry.name;
            reading.textContent = `Reading '${name}'…`;
            reading.hidden = false;
            try {
                const files = await filesIn(/** @type {FileSystemDirectoryEntry} */ (entry), (count) => {
                    reading.textContent = `Reading '${name}'… ${count.toLocaleString('en')} ${count === 1 ? 'file' : 'files'}`;
                });
                if (files.length === 0) announcer.say(`No .edg files in '${name}'.`);
                else addFiles(files.map(({ file, folder }) => ({ name: file.name, file, folder })));
            } catch {
                addFiles([{ name, file: null }]);
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
saveAllButton.onclick = saveAll;
saveFolder.hidden = typeof folders.showDirectoryPicker !== 'function';
saveFolder.onclick = () => saveIntoFolder().catch((e) => {
    announcer.say(`Saving into the folder failed: ${errorText(e)}`);
});
byId('clear').onclick = clearList;
byId('failed-only').onchange = (e) =>
    list.classList.toggle('failed-only', /** @type {HTMLInputElement} */ (e.target).checked);
window.addEventListener('beforeunload', (e) => {
    if (queue.running || convertedEntries().some((entry) => !entry.saved)) {
        e.preventDefault();
        e.returnValue = '';
    }
});

// Installed or not, the page works offline after its first visit: its service
// worker caches the site. This tab runs the version it loaded until its user
// reloads it: a new version is offered, never forced, in every open tab.
async function serveOffline() {
    if (!('serviceWorker' in navigator) || location.protocol === 'file:') return;
    const hadController = Boolean(navigator.serviceWorker.controller);
    const registration = await navigator.serviceWorker.register('./sw.js', { type: 'module' });
    // The build writes the version into the page; the service worker keeps
    // its files while this tab is open.
    const version = document.documentElement.dataset.version ?? '';
    navigator.serviceWorker.ready.then((ready) => ready.active?.postMessage(toServiceWorker.running(version)));
    const update = byId('update');
    const reloadButton = byId('update-reload');
    let reloading = false;
    /** @param {ServiceWorker | null} waiting the new version, or null once another tab took it */
    const offer = (waiting) => {
        update.hidden = false;
        reloadButton.onclick = () => {
            reloading = true;
            if (waiting && waiting.state === 'installed') waiting.postMessage(toServiceWorker.takeOver());
            else location.reload();
        };
    };
    if (registration.waiting && hadController) offer(registration.waiting);
    registration.addEventListener('updatefound', () => {
        const incoming = registration.installing;
        incoming?.addEventListener('statechange', () => {
            if (incoming.state === 'installed' && navigator.serviceWorker.controller) offer(incoming);
        });
    });
    // A new version in charge: this tab reloads if its user asked to; any
    // other keeps running its own version (its files stay cached) and offers
    // the new one. The first version takes over a page it did not serve.
    navigator.serviceWorker.addEventListener('controllerchange', () => {
        if (reloading) location.reload();
        else if (hadController) offer(null);
    });
    setInterval(() => registration.update().catch(() => {}), 60 * 60 * 1000);
}

const offline = byId('offline');
const showConnection = () => {
    offline.hidden = navigator.onLine;
};
window.addEventListener('online', showConnection);
window.addEventListener('offline', showConnection);
showConnection();

/**
 * @typedef {{ name: string, getFile(): Promise<File> }} LaunchedHandle
 * @typedef {{ launchQueue?: { setConsumer(consumer: (params: { files: LaunchedHandle[] }) => void): void } }} WithLaunchQueue
 */
const launching = /** @type {WithLaunchQueue} */ (/** @type {unknown} */ (window));
// Files opened with Tomel from the operating system (an installed app's file
// handler) join the list as dropped ones do.
launching.launchQueue?.setConsumer(async ({ files }) => {
    // A handle whose file can't be had (moved, say) is a failed row.
    const opened = await Promise.all(files.map((handle) => handle.getFile().catch(() => null)));
    addFiles(opened.map((file, i) => ({ name: files[i].name, file })));
});

// The page's scripts run: the message for a page that could not start them goes.
status.hidden = true;
serveOffline().catch(() => {});
