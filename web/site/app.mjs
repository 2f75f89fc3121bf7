// The page: a list of added files, converted in order by one Web Worker
// (worker.mjs), each row's result, a preview and the ways to save. Every file
// ends as a row: converted, failed (with the command line's error line or
// why it could not be read) or cancelled, and the queue always goes on.
import { element } from './dom.mjs';
import { closePreview, openPreview } from './preview.mjs';
import { errorText, fromWorker, retireAbove, toWorker, zipMessages } from './protocol.mjs';
import { settled } from './psd.mjs';

// What to do about each error line: the README's advice.
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
};
const unreadable = 'Could not be read: a folder, or a file moved or deleted after it was added';
const stopped = 'The converter stopped on this file';
const notStarted = 'Not converted: the converter could not start (see the message at the top)';
// Files handed to the worker at a time: it reads ahead and converts without
// waiting for the page between two files.
const handOver = 256;
const handStep = 32;
let pumping = null;

const list = document.getElementById('files');
const status = document.getElementById('status');
const summary = document.getElementById('summary');
const actions = document.getElementById('actions');
const saveAllButton = document.getElementById('save-all');
const zipProgress = document.getElementById('zip-progress');
const waiting = []; // entries not handed to the worker yet
let inFlight = []; // entries handed over, in order: the first is converting
const results = []; // { output, psd, saved } of the files converted
const counts = { rows: 0, converted: 0, failed: 0 };
const listBar = document.getElementById('list-bar');
const countText = document.getElementById('count');
let worker = null;
let workerState = 'starting'; // 'starting' | 'ready' | 'unavailable'
let nextId = 1;

function button(className, text, label, onclick) {
    const b = element('button', className, text);
    b.type = 'button';
    b.setAttribute('aria-label', label);
    b.onclick = onclick;
    return b;
}

function size(bytes) {
    if (bytes < 1024) return `${bytes} B`;
    if (bytes < 1 << 20) return `${(bytes / 1024).toFixed(1)} KiB`;
    return `${(bytes / (1 << 20)).toFixed(1)} MiB`;
}

// The live region: what happened since it last spoke, and the running count,
// at most every 300 ms so that a batch is not read out file by file.
let heard = [];
let speaking = null;
function announce(text) {
    heard.push(text);
    speaking ??= setTimeout(() => {
        speaking = null;
        const what = heard.length === 1 ? heard[0] : `${heard.length} files finished.`;
        heard = [];
        summary.textContent = `${what} ${runningCount()}.`;
        showCount();
    }, 300);
}

function runningCount() {
    const to = waiting.length + inFlight.length;
    return `${counts.converted} converted, ${counts.failed} failed${to ? `, ${to} to go` : ''}`;
}

// The count above the list, kept as files are added and finish.
function showCount() {
    listBar.hidden = counts.rows === 0;
    countText.textContent = `${counts.rows} ${counts.rows === 1 ? 'file' : 'files'}: ${runningCount()}`;
}

// Worker ----------------------------------------------------------------

// What the browser lacks, in words, for the top message.
function whyNoConverter(detail) {
    if (location.protocol === 'file:') {
        return 'This page was opened from disk (file://), where browsers do not let it start its converter. ' +
            'Serve its folder over http(s): run "python3 -m http.server 8000" in it and open http://localhost:8000/.';
    }
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

function converterUnavailable(detail) {
    workerState = 'unavailable';
    status.textContent = whyNoConverter(detail);
    status.dataset.detail = detail;
    status.hidden = false;
    for (const entry of [...inFlight, ...waiting]) finish(entry, 'failed', notStarted);
    inFlight = [];
    waiting.length = 0;
}

function startWorker() {
    workerState = 'starting';
    const started = new Worker(new URL('./worker.mjs', import.meta.url), { type: 'module' });
    worker = started;
    started.onmessage = ({ data }) => {
        if (worker === started) onWorkerMessage(data);
    };
    started.onerror = (event) => {
        if (worker !== started) return;
        event.preventDefault();
        if (workerState !== 'ready') {
            if (workerState === 'starting') converterUnavailable(event.message || 'the worker did not start');
        } else if (inFlight.length > 0) {
            onWorkerMessage(fromWorker.stopped(inFlight[0].id, event.message || 'the worker failed', 0));
        } else {
            replaceWorker();
        }
    };
}

// A new worker for the files handed to this one: after a failure that may
// have left the module's state broken, after a cancel, or to give memory back.
function replaceWorker() {
    worker.terminate();
    waiting.unshift(...inFlight);
    inFlight = [];
    for (const entry of waiting) entry.progress.hidden = true;
    startWorker();
}

function pump() {
    if (workerState !== 'ready' || waiting.length === 0 || inFlight.length >= handOver || pumping) return;
    // A few files per message, a message per task: handing a file over costs
    // the page a round trip to the browser (for the file's size and date), so
    // a long list is handed over in steps, with frames drawn between them.
    const handed = waiting.splice(0, Math.min(handStep, handOver - inFlight.length));
    const now = performance.now();
    for (const entry of handed) entry.handed = now;
    inFlight.push(...handed);
    worker.postMessage(toWorker.convert(handed.map(({ id, file }) => ({ id, name: file.name, file }))));
    showConverting();
    if (waiting.length > 0) {
        pumping = setTimeout(() => {
            pumping = null;
            pump();
        });
    }
}

function showConverting() {
    const entry = inFlight[0];
    if (entry && !entry.shownConverting) {
        entry.shownConverting = true;
        entry.result.textContent = `${entry.file.name} → converting`;
        entry.progress.hidden = false;
    }
}

function onWorkerMessage(data) {
    if (data.type === 'ready') {
        workerState = 'ready';
        status.hidden = true;
        pump();
        return;
    }
    if (data.type === 'unavailable') {
        converterUnavailable(data.detail);
        return;
    }
    const at = inFlight.findIndex((entry) => entry.id === data.id);
    const entry = inFlight[at];
    if (!entry) return;
    if (data.type === 'progress') {
        entry.progress.value = data.fraction;
        return;
    }
    inFlight.splice(at, 1);
    // For the benchmark and tests: the time from the hand-over, and the
    // module's memory after this file.
    entry.row.dataset.ms = String(performance.now() - entry.handed);
    entry.row.dataset.memory = String(data.memory ?? 0);
    if (data.type === 'converted') {
        converted(entry, data);
    } else if (data.type === 'failed') {
        finish(entry, 'failed', data.line);
    } else if (data.type === 'unreadable') {
        finish(entry, 'failed', unreadable, data.detail);
    } else if (data.type === 'stopped') {
        finish(entry, 'failed', stopped, data.detail);
    }
    // The worker converts nothing more after these: a new one takes the rest.
    if (data.type === 'stopped' || data.line === 'Error : Out of memory' || data.memory > retireAbove) replaceWorker();
    else pump();
}

// Rows --------------------------------------------------------------------

// A row for the file; `failure` makes it a failed row at once.
function addFile(file, failure) {
    const row = element('li');
    const result = element('span', 'result', `${file.name} → waiting`);
    const buttons = element('span', 'buttons');
    const progress = element('progress');
    progress.max = 1;
    progress.value = 0;
    progress.hidden = true;
    progress.setAttribute('aria-label', `Converting ${file.name}`);
    const entry = { id: nextId++, file, row, result, buttons, progress };
    buttons.append(progress, button('cancel', 'Cancel', `Cancel ${file.name}`, () => cancelEntry(entry)));
    row.append(result, buttons);
    row.dataset.name = file.name;
    list.append(row);
    counts.rows += 1;
    actions.hidden = false;
    if (failure || workerState === 'unavailable') finish(entry, 'failed', failure ?? notStarted);
    else waiting.push(entry);
}

function addFiles(files) {
    for (const file of files) addFile(file);
    pump();
    showCount();
}

function finish(entry, state, line, detail) {
    entry.row.dataset.state = state;
    entry.buttons.replaceChildren();
    if (state === 'cancelled') {
        entry.result.textContent = `${entry.file.name} → cancelled`;
        announce(`${entry.file.name} cancelled.`);
        return;
    }
    counts.failed += 1;
    entry.row.classList.add('failed');
    entry.result.textContent = `${entry.file.name}: ${line}`;
    entry.result.classList.add('error');
    entry.row.dataset.line = line;
    entry.row.append(element('span', 'advice', advice[line] ?? (line === unreadable ? 'Add it again from where it is now.'
        : line === notStarted ? '' : 'Check the file and try again.')));
    if (detail) {
        // Kept for a bug report.
        const more = element('details');
        more.append(element('summary', '', 'Details'), element('pre', '', detail));
        entry.row.append(more);
        entry.row.dataset.detail = detail;
    }
    announce(`${entry.file.name} failed: ${line}.`);
}

// The PSDs the page holds as bytes, oldest first: past heldBudget in all,
// the oldest become Blobs, which the browser may keep out of the page's memory.
const heldBudget = 256 << 20;
const held = [];
let heldBytes = 0;
let moving = null;

function hold(done) {
    held.push(done);
    heldBytes += done.psd.length;
    moving ??= setTimeout(() => {
        moving = null;
        while (heldBytes > heldBudget && held.length > 0) psdBlob(held[0]);
    }, 1000);
}

// The PSD as a Blob, made from its bytes the first time it is asked for.
function psdBlob(done) {
    if (done.psd instanceof Uint8Array) {
        const at = held.indexOf(done);
        if (at >= 0) {
            held.splice(at, 1);
            heldBytes -= done.psd.length;
        }
        done.psd = new Blob([done.psd], { type: 'image/vnd.adobe.photoshop' });
    }
    return done.psd;
}

function converted(entry, { output, psd }) {
    const done = { output, psd, saved: false };
    results.push(done);
    if (psd instanceof Uint8Array) hold(done);
    counts.converted += 1;
    entry.row.dataset.state = 'converted';
    entry.row.dataset.output = output;
    entry.result.textContent = `${entry.file.name} → ${output} (${size(psd.size ?? psd.length)})`;
    const show = button('show', 'Preview', `Preview ${output}`, () => openPreview(done, show));
    const save = button('save', 'Save', `Save ${output}`, () => {
        download(psdBlob(done), output);
        done.saved = true;
    });
    entry.buttons.replaceChildren(show, save);
    announce(`${entry.file.name} converted to ${output}.`);
}

function cancelEntry(entry) {
    const at = inFlight.indexOf(entry);
    if (at === 0) {
        // The module cannot be interrupted: its worker goes, and a new one
        // takes the files after it.
        inFlight.shift();
        replaceWorker();
    } else if (at > 0) {
        inFlight.splice(at, 1);
        worker.postMessage(toWorker.cancel(entry.id));
    } else if (waiting.includes(entry)) {
        waiting.splice(waiting.indexOf(entry), 1);
    } else {
        return;
    }
    finish(entry, 'cancelled');
}

// Saving ------------------------------------------------------------------

function download(blob, name) {
    const url = URL.createObjectURL(blob);
    const a = element('a');
    a.href = url;
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// One .zip of every PSD, made in a worker of its own while the page goes on.
function saveAll() {
    if (saveAllButton.disabled || results.length === 0) return;
    const saving = [...results];
    const used = new Set();
    const files = saving.map(({ output, psd }) => {
        let name = output;
        for (let n = 2; used.has(name); ++n) name = output.replace(/(\.psd)$/, ` (${n})$1`);
        used.add(name);
        return { name, psd };
    });
    saveAllButton.disabled = true;
    saveAllButton.textContent = 'Zipping…';
    zipProgress.value = 0;
    zipProgress.hidden = false;
    const zipper = new Worker(new URL('./zip-worker.mjs', import.meta.url), { type: 'module' });
    const end = (message) => {
        zipper.terminate();
        saveAllButton.disabled = false;
        saveAllButton.textContent = 'Save all as .zip';
        zipProgress.hidden = true;
        summary.textContent = message;
    };
    zipper.onmessage = ({ data }) => {
        if (data.type === 'progress') {
            zipProgress.value = data.fraction;
        } else if (data.type === 'zipped') {
            download(data.zip, 'tomel-psd.zip');
            for (const done of saving) done.saved = true;
            end(`tomel-psd.zip saved: ${saving.length} PSD ${saving.length === 1 ? 'file' : 'files'}.`);
        } else {
            end(`The zip could not be made: ${data.detail}`);
        }
    };
    zipper.onerror = (event) => {
        event.preventDefault();
        end(`The zip could not be made: ${event.message || 'its worker did not start'}`);
    };
    Promise.all(files.map(({ psd }) => settled(psd))).then(
        () => zipper.postMessage(zipMessages.zip(files)),
        (e) => end(`The zip could not be made: ${errorText(e)}`),
    );
}

async function saveIntoFolder() {
    const folder = await window.showDirectoryPicker({ mode: 'readwrite' });
    for (const done of results) {
        const handle = await folder.getFileHandle(done.output, { create: true });
        await psdBlob(done).stream().pipeTo(await handle.createWritable());
        done.saved = true;
    }
}

function clearList() {
    for (const entry of [...inFlight, ...waiting]) cancelEntry(entry);
    clearTimeout(speaking);
    speaking = null;
    heard = [];
    list.replaceChildren();
    results.length = 0;
    held.length = 0;
    heldBytes = 0;
    counts.rows = 0;
    counts.converted = 0;
    counts.failed = 0;
    showCount();
    summary.textContent = '';
    actions.hidden = true;
    closePreview();
}

// Adding files --------------------------------------------------------------

const edgName = /\.edgg?$/i;

// A dropped folder's Edge files, its subfolders' included, in name order.
async function filesIn(directory) {
    const reader = directory.createReader();
    const children = [];
    for (;;) {
        const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
        if (batch.length === 0) break;
        children.push(...batch);
    }
    children.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
    const files = [];
    for (const child of children) {
        if (child.isDirectory) files.push(...(await filesIn(child)));
        else if (edgName.test(child.name)) files.push(await new Promise((resolve, reject) => child.file(resolve, reject)));
    }
    return files;
}

// Files and folders dropped anywhere on the page, in the order dropped.
async function dropped(dataTransfer) {
    // The items are readable only during the drop event: take them now.
    const items = [...dataTransfer.items].filter((item) => item.kind === 'file')
        .map((item) => ({ entry: item.webkitGetAsEntry?.(), file: item.getAsFile() }));
    for (const { entry, file } of items) {
        if (entry?.isDirectory) {
            try {
                addFiles(await filesIn(entry));
            } catch {
                addFile({ name: entry.name }, unreadable);
            }
        } else if (file) {
            addFiles([file]);
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
    dropped(e.dataTransfer);
});
const pick = document.getElementById('pick');
document.getElementById('pick-button').onclick = () => pick.click();
pick.addEventListener('change', () => {
    addFiles([...pick.files]);
    pick.value = '';
});
saveAllButton.onclick = saveAll;
const saveFolder = document.getElementById('save-folder');
saveFolder.hidden = typeof window.showDirectoryPicker !== 'function';
saveFolder.onclick = () => saveIntoFolder().catch(() => {});
document.getElementById('clear').onclick = clearList;
document.getElementById('failed-only').onchange = (e) => list.classList.toggle('failed-only', e.target.checked);
window.addEventListener('beforeunload', (e) => {
    if (waiting.length || inFlight.length || results.some((done) => !done.saved)) {
        e.preventDefault();
        e.returnValue = '';
    }
});
// For the tests: the results as the page holds them.
window.tomelResults = results;
// Installed or not, the page works offline after its first visit: its service
// worker caches the site. A new version waits until the user agrees to reload.
async function serveOffline() {
    if (!('serviceWorker' in navigator) || location.protocol === 'file:') return;
    const hadController = Boolean(navigator.serviceWorker.controller);
    const registration = await navigator.serviceWorker.register('./sw.js');
    const update = document.getElementById('update');
    const offer = (waiting) => {
        update.hidden = false;
        document.getElementById('update-reload').onclick = () => waiting.postMessage({ type: 'take-over' });
    };
    if (registration.waiting && hadController) offer(registration.waiting);
    registration.addEventListener('updatefound', () => {
        const incoming = registration.installing;
        incoming?.addEventListener('statechange', () => {
            if (incoming.state === 'installed' && navigator.serviceWorker.controller) offer(incoming);
        });
    });
    // The first version takes over a page it did not serve: nothing to reload.
    let reloading = false;
    navigator.serviceWorker.addEventListener('controllerchange', () => {
        if (hadController && !reloading) {
            reloading = true;
            location.reload();
        }
    });
    setInterval(() => registration.update().catch(() => {}), 60 * 60 * 1000);
}

const offline = document.getElementById('offline');
const showConnection = () => {
    offline.hidden = navigator.onLine;
};
window.addEventListener('online', showConnection);
window.addEventListener('offline', showConnection);
showConnection();

// Files opened with Tomel from the operating system (an installed app's file
// handler) join the list as dropped ones do.
if ('launchQueue' in window) {
    window.launchQueue.setConsumer(async ({ files }) => {
        // A handle whose file can't be had (moved, say) is a failed row.
        const opened = await Promise.all(files.map((handle) => handle.getFile().catch(() => null)));
        opened.forEach((file, i) => (file ? addFile(file) : addFile({ name: files[i].name }, unreadable)));
        pump();
        showCount();
    });
}

// The page's scripts run: the message for a page that could not start them goes.
status.hidden = true;
startWorker();
serveOffline().catch(() => {});
