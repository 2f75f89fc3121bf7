// The page: a list of dropped files, each converted in a Web Worker (one at
// a time, in order), its result, a preview and the ways to save.
import { Zip, ZipDeflate } from './fflate.mjs';
import { layerTree, readComposite, readStructure } from './psd.mjs';

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

const list = document.getElementById('files');
const queue = [];
const results = []; // { output, psd } of the files converted
let worker = null;
let workerReady = null;
let running = null; // the entry being converted
let nextId = 1;

function startWorker() {
    worker = new Worker(new URL('./worker.mjs', import.meta.url), { type: 'module' });
    workerReady = new Promise((resolve) => {
        worker.onmessage = ({ data }) => {
            if (data.ready) resolve();
            else onMessage(data);
        };
    });
}

function size(bytes) {
    if (bytes < 1024) return `${bytes} B`;
    if (bytes < 1 << 20) return `${(bytes / 1024).toFixed(1)} KiB`;
    return `${(bytes / (1 << 20)).toFixed(1)} MiB`;
}

function element(tag, className, text) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
}

function addFile(file) {
    const row = element('li');
    const result = element('span', 'result', `${file.name} → waiting`);
    const buttons = element('span', 'buttons');
    const progress = element('progress');
    progress.max = 1;
    progress.value = 0;
    progress.hidden = true;
    const cancel = element('button', 'cancel', 'Cancel');
    cancel.type = 'button';
    buttons.append(progress, cancel);
    row.append(result, buttons);
    list.append(row);
    const entry = { id: nextId++, file, row, result, buttons, progress, cancel };
    row.dataset.name = file.name;
    cancel.onclick = () => cancelEntry(entry);
    queue.push(entry);
    document.getElementById('actions').hidden = false;
    pump();
}

function cancelEntry(entry) {
    if (running === entry) {
        // The module cannot be interrupted: its worker goes, and a new one
        // takes the next file.
        worker.terminate();
        startWorker();
        running = null;
    } else {
        queue.splice(queue.indexOf(entry), 1);
    }
    entry.result.textContent = `${entry.file.name} → cancelled`;
    entry.buttons.replaceChildren();
    entry.row.dataset.state = 'cancelled';
    pump();
}

async function pump() {
    if (running || queue.length === 0) return;
    running = queue.shift();
    const entry = running;
    entry.result.textContent = `${entry.file.name} → converting`;
    entry.progress.hidden = false;
    const bytes = await entry.file.arrayBuffer();
    await workerReady;
    if (running !== entry) return;
    entry.started = performance.now();
    worker.postMessage({ id: entry.id, name: entry.file.name, bytes }, [bytes]);
}

function onMessage(data) {
    const entry = running;
    if (!entry || data.id !== entry.id) return;
    if (data.progress !== undefined) {
        entry.progress.value = data.progress;
        return;
    }
    running = null;
    entry.buttons.replaceChildren();
    // For the benchmark: the conversion's time in the worker, and the
    // module's memory after it.
    entry.row.dataset.ms = String(performance.now() - entry.started);
    entry.row.dataset.memory = String(data.memory ?? 0);
    if (data.error !== undefined) {
        entry.result.textContent = `${entry.file.name}: ${data.error}`;
        entry.result.classList.add('error');
        entry.row.dataset.state = 'failed';
        entry.row.dataset.line = data.error;
        entry.row.append(element('span', 'advice', advice[data.error] ?? 'Check the file and try again.'));
        // A worker that ran out of memory keeps what it took: a new one
        // starts afresh.
        if (data.fatal || data.error === 'Error : Out of memory') {
            worker.terminate();
            startWorker();
        }
    } else {
        const done = { output: data.output, psd: data.psd };
        results.push(done);
        entry.result.textContent = `${entry.file.name} → ${data.output} (${size(data.psd.size)})`;
        entry.row.dataset.state = 'converted';
        entry.row.dataset.output = data.output;
        const save = element('button', 'save', 'Save');
        save.type = 'button';
        save.onclick = () => download(data.psd, data.output);
        const show = element('button', 'show', 'Preview');
        show.type = 'button';
        show.onclick = () => preview(done);
        entry.buttons.append(show, save);
    }
    pump();
}

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

// One .zip of every PSD, deflated piece by piece as it is read.
async function saveAll() {
    const parts = [];
    const zip = new Zip((error, chunk) => {
        if (!error) parts.push(chunk);
    });
    const used = new Set();
    for (const { output, psd } of results) {
        let name = output;
        for (let n = 2; used.has(name); ++n) name = output.replace(/(\.psd)$/, ` (${n})$1`);
        used.add(name);
        const file = new ZipDeflate(name, { level: 6 });
        zip.add(file);
        const reader = psd.stream().getReader();
        for (;;) {
            const { done, value } = await reader.read();
            if (done) break;
            file.push(value);
        }
        file.push(new Uint8Array(0), true);
    }
    zip.end();
    download(new Blob(parts, { type: 'application/zip' }), 'tomel-psd.zip');
}

async function saveIntoFolder() {
    const folder = await window.showDirectoryPicker({ mode: 'readwrite' });
    for (const { output, psd } of results) {
        const handle = await folder.getFileHandle(output, { create: true });
        const writable = await handle.createWritable();
        await psd.stream().pipeTo(writable);
    }
}

// The preview: the composite, drawn crisp at any zoom, and the layer tree.
let zoom = 1;
let shown = null;

function applyZoom() {
    const canvas = document.getElementById('composite');
    canvas.style.width = `${canvas.width * zoom}px`;
    canvas.style.height = `${canvas.height * zoom}px`;
    document.getElementById('zoom-level').textContent = `${zoom}×`;
}

function treeItems(nodes) {
    return nodes.map((node) => {
        const item = element('li', node.children ? 'group' : 'layer');
        item.append(element('span', '', node.name));
        if (node.children) {
            const sub = element('ul');
            sub.append(...treeItems(node.children));
            item.append(sub);
        }
        return item;
    });
}

async function preview(done) {
    shown = done;
    const structure = await readStructure(done.psd);
    if (shown !== done) return;
    const canvas = document.getElementById('composite');
    canvas.width = structure.width;
    canvas.height = structure.height;
    canvas.getContext('2d').putImageData(await readComposite(done.psd, structure), 0, 0);
    zoom = Math.max(1, Math.min(16, Math.floor(512 / Math.max(structure.width, structure.height))));
    applyZoom();
    document.getElementById('preview-title').textContent = `${done.output}: ${structure.width} × ${structure.height}`;
    const tree = layerTree(structure.layers);
    document.getElementById('layers').replaceChildren(...treeItems(tree.length ? tree : [{ name: '(the composite only)' }]));
    const section = document.getElementById('preview');
    section.hidden = false;
    section.dataset.output = done.output;
}

const drop = document.getElementById('drop');
drop.addEventListener('dragover', (e) => {
    e.preventDefault();
    drop.classList.add('over');
});
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (e) => {
    e.preventDefault();
    drop.classList.remove('over');
    for (const file of e.dataTransfer.files) addFile(file);
});
document.getElementById('pick').addEventListener('change', (e) => {
    for (const file of e.target.files) addFile(file);
    e.target.value = '';
});
document.getElementById('save-all').onclick = saveAll;
const saveFolder = document.getElementById('save-folder');
saveFolder.hidden = typeof window.showDirectoryPicker !== 'function';
saveFolder.onclick = saveIntoFolder;
document.getElementById('clear').onclick = () => {
    for (const entry of [...queue]) cancelEntry(entry);
    if (running) cancelEntry(running);
    list.replaceChildren();
    results.length = 0;
    document.getElementById('preview').hidden = true;
};
document.getElementById('zoom-in').onclick = () => {
    zoom = Math.min(64, zoom * 2);
    applyZoom();
};
document.getElementById('zoom-out').onclick = () => {
    zoom = Math.max(1, zoom / 2);
    applyZoom();
};
document.getElementById('preview-close').onclick = () => {
    document.getElementById('preview').hidden = true;
};
// For the tests: the results as the page holds them.
window.tomelResults = results;
startWorker();
