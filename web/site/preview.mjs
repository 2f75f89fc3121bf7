// The preview: a PSD's composite, drawn crisp at whole zoom steps, and its
// layer tree. The PSD is read in a worker; the page only shows the bitmap.
import { layerTree, settled } from './psd.mjs';

// Device pixels per image pixel: whole numbers from 1 up, halves down to
// 1/8, so that every image pixel covers the same number of screen pixels.
const zoomSteps = [1 / 8, 1 / 4, 1 / 2, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64];

const section = document.getElementById('preview');
const title = document.getElementById('preview-title');
const canvas = document.getElementById('composite');
const box = canvas.parentElement;
const zoomLevel = document.getElementById('zoom-level');
let zoomStep = zoomSteps.indexOf(1);
let shownId = 0;
let opener = null;
let worker = null;
let pending = null; // the converted file whose preview is being made

function element(tag, className, text) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
}

function applyZoom() {
    const zoom = zoomSteps[zoomStep];
    const scale = zoom / window.devicePixelRatio;
    canvas.style.width = `${canvas.width * scale}px`;
    canvas.style.height = `${canvas.height * scale}px`;
    zoomLevel.textContent = zoom >= 1 ? `${zoom}×` : `1/${1 / zoom}×`;
    document.getElementById('zoom-out').disabled = zoomStep === 0;
    document.getElementById('zoom-in').disabled = zoomStep === zoomSteps.length - 1;
}

// The largest step at which the whole image fits the box's width and 70% of
// the window's height.
function fit() {
    // The picture's column: the box itself is only as wide as the canvas.
    const width = box.parentElement.clientWidth || canvas.width;
    const height = window.innerHeight * 0.7;
    const dpr = window.devicePixelRatio;
    zoomStep = 0;
    for (let i = 0; i < zoomSteps.length; ++i) {
        if ((canvas.width * zoomSteps[i]) / dpr <= width && (canvas.height * zoomSteps[i]) / dpr <= height) zoomStep = i;
    }
    applyZoom();
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

function show(done, { width, height, layers, bitmap }) {
    const tree = layerTree(layers);
    const pages = Math.max(1, tree.filter((node) => node.children).length);
    const layerCount = layers.filter((layer) => layer.kind === 'layer').length;
    title.textContent = `${done.output}: ${width} × ${height}`;
    canvas.width = width;
    canvas.height = height;
    canvas.getContext('bitmaprenderer').transferFromImageBitmap(bitmap ?? null);
    canvas.hidden = !bitmap;
    const layersText = layerCount === 0 ? 'the composite only' : `${layerCount} ${layerCount === 1 ? 'layer' : 'layers'}`;
    canvas.setAttribute('aria-label', `${done.output}: ${width} × ${height} pixels, ${pages} ${pages === 1 ? 'page' : 'pages'}, ${layersText}`);
    const tooLarge = document.getElementById('too-large');
    tooLarge.hidden = Boolean(bitmap);
    document.getElementById('layers').replaceChildren(...treeItems(tree.length ? tree : [{ name: '(the composite only)' }]));
    section.hidden = false;
    section.dataset.output = done.output;
    fit();
    section.scrollIntoView({ block: 'start' });
    title.focus({ preventScroll: true });
}

// Opens the preview of a converted file; focus goes back to `from` on close.
export async function openPreview(done, from) {
    opener = from;
    pending = done;
    const id = ++shownId;
    if (!worker) {
        worker = new Worker(new URL('./preview-worker.mjs', import.meta.url), { type: 'module' });
        worker.onmessage = ({ data }) => {
            if (data.id !== shownId) return;
            if (data.type === 'preview-failed') {
                title.textContent = `${pending.output}: the preview could not be made (${data.detail})`;
                section.hidden = false;
                title.focus();
            } else {
                show(pending, data);
            }
        };
    }
    try {
        worker.postMessage({ id, psd: await settled(done.psd) });
    } catch (e) {
        worker.onmessage({ data: { type: 'preview-failed', id, detail: `${e?.name}: ${e?.message}` } });
    }
}

export function closePreview() {
    if (section.hidden) return;
    section.hidden = true;
    ++shownId;
    (opener?.isConnected ? opener : document.getElementById('pick-button')).focus();
}

document.getElementById('zoom-in').onclick = () => {
    zoomStep = Math.min(zoomSteps.length - 1, zoomStep + 1);
    applyZoom();
};
document.getElementById('zoom-out').onclick = () => {
    zoomStep = Math.max(0, zoomStep - 1);
    applyZoom();
};
document.getElementById('zoom-fit').onclick = fit;
document.getElementById('preview-close').onclick = closePreview;
document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && !section.hidden) {
        e.preventDefault();
        closePreview();
    }
});
