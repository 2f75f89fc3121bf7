// The preview: each page of a PSD, composited from its layers, drawn crisp at
// whole zoom steps; a page picker that can play the pages in a loop; and the
// layer tree, where each layer and group can be hidden (in the preview only:
// the PSD is not changed). The PSD is read and composited in a worker
// (preview-worker.mjs); the page only shows the bitmaps.
import { element } from './dom.mjs';
import { errorText } from './protocol.mjs';
import { layerTree, settled } from './psd.mjs';

// Device pixels per image pixel: whole numbers from 1 up, halves down to
// 1/8, so that every image pixel covers the same number of screen pixels.
const zoomSteps = [1 / 8, 1 / 4, 1 / 2, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64];

const section = document.getElementById('preview');
const title = document.getElementById('preview-title');
const canvas = document.getElementById('composite');
const box = canvas.parentElement;
const zoomLevel = document.getElementById('zoom-level');
const pageBar = document.getElementById('pages');
const pageLabel = document.getElementById('page-label');
const playButton = document.getElementById('play');
const rateInput = document.getElementById('rate');
let zoomStep = zoomSteps.indexOf(1);
let shownId = 0;
let opener = null;
let worker = null;
// What is shown: the converted file, its structure and pages, the page at
// hand, the layers left out, and whether a picture is on its way.
let shown = null;

function applyZoom() {
    const zoom = zoomSteps[zoomStep];
    const scale = zoom / window.devicePixelRatio;
    canvas.style.width = `${canvas.width * scale}px`;
    canvas.style.height = `${canvas.height * scale}px`;
    zoomLevel.textContent = zoom >= 1 ? `${zoom}×` : `1/${1 / zoom}×`;
    document.getElementById('zoom-out').disabled = zoomStep === 0;
    document.getElementById('zoom-in').disabled = zoomStep === zoomSteps.length - 1;
}

// The largest step at which the whole image fits the picture's column and
// 70% of the window's height.
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

// The tree, each layer and group with a box that shows or hides it.
function treeItems(nodes) {
    return nodes.map((node) => {
        const item = element('li', node.children ? 'group' : 'layer');
        const label = element('label');
        const toggle = element('input');
        toggle.type = 'checkbox';
        toggle.checked = true;
        toggle.dataset.index = String(node.index);
        label.append(toggle, element('span', '', node.name));
        item.append(label);
        if (node.children) {
            const sub = element('ul');
            sub.append(...treeItems(node.children));
            item.append(sub);
        }
        return item;
    });
}

// The layers left out: every unchecked layer, and every layer in an unchecked
// group.
function hiddenLayers() {
    const hidden = [];
    for (const toggle of document.querySelectorAll('#layers input:not(:checked)')) {
        const item = toggle.closest('li');
        for (const inner of item.querySelectorAll('input')) hidden.push(Number(inner.dataset.index));
    }
    return hidden;
}

function describe() {
    const { done, width, height, pages, layers } = shown;
    const layerCount = layers.filter((layer) => layer.kind === 'layer').length;
    const layersText = layerCount === 0 ? 'the composite only' : `${layerCount} ${layerCount === 1 ? 'layer' : 'layers'}`;
    const page = pages[shown.page];
    const pageText = pages.length === 1 ? '1 page' : `page ${shown.page + 1} of ${pages.length}${page.name ? `, ${page.name}` : ''}`;
    canvas.setAttribute('aria-label', `${done.output}: ${width} × ${height} pixels, ${pageText}, ${layersText}`);
    pageLabel.textContent = `Page ${shown.page + 1} of ${pages.length}${page.name ? `: ${page.name}` : ''}`;
}

// Asks for the picture of the page at hand; at most one on its way.
function requestPage() {
    if (!shown || shown.tooLarge) return;
    describe();
    if (shown.waiting) {
        shown.again = true;
        return;
    }
    shown.waiting = true;
    worker.postMessage({ type: 'page', id: shown.id, page: shown.page, hidden: hiddenLayers() });
}

export function showPage(index) {
    if (!shown) return;
    const count = shown.pages.length;
    shown.page = ((index % count) + count) % count;
    requestPage();
}

function opened(data) {
    const { width, height, layers, pages, tooLarge } = data;
    shown = { ...shown, width, height, layers, pages, tooLarge, page: 0, waiting: false, again: false };
    title.textContent = `${shown.done.output}: ${width} × ${height}`;
    canvas.width = tooLarge ? 0 : width;
    canvas.height = tooLarge ? 0 : height;
    canvas.hidden = tooLarge;
    document.getElementById('too-large').hidden = !tooLarge;
    const tree = layerTree(layers);
    document.getElementById('layers').replaceChildren(...(tree.length ? treeItems(tree) : [element('li', '', '(the composite only)')]));
    pageBar.hidden = pages.length < 2;
    section.hidden = false;
    section.dataset.output = shown.done.output;
    fit();
    requestPage();
    section.scrollIntoView({ block: 'start' });
    title.focus({ preventScroll: true });
}

function startWorker() {
    worker = new Worker(new URL('./preview-worker.mjs', import.meta.url), { type: 'module' });
    worker.onmessage = ({ data }) => {
        if (!shown || data.id !== shown.id) return;
        if (data.type === 'opened') {
            opened(data);
        } else if (data.type === 'shown') {
            shown.waiting = false;
            canvas.getContext('bitmaprenderer').transferFromImageBitmap(data.bitmap);
            section.dataset.shownPage = String(data.page);
            if (shown.again) {
                shown.again = false;
                requestPage();
            }
        } else {
            title.textContent = `${shown.done.output}: the preview could not be made (${data.detail})`;
            section.hidden = false;
            title.focus();
        }
    };
}

// Opens the preview of a converted file; focus goes back to `from` on close.
export async function openPreview(done, from) {
    stop();
    opener = from;
    const id = ++shownId;
    shown = { id, done };
    delete section.dataset.shownPage;
    if (!worker) startWorker();
    try {
        worker.postMessage({ type: 'open', id, psd: await settled(done.psd) });
    } catch (e) {
        worker.onmessage({ data: { type: 'preview-failed', id, detail: errorText(e) } });
    }
}

export function closePreview() {
    if (section.hidden) return;
    stop();
    section.hidden = true;
    shown = null;
    delete section.dataset.shownPage;
    (opener?.isConnected ? opener : document.getElementById('pick-button')).focus();
}

// Playing: the pages in order, looping, at the rate the user sets.
let playing = null;
function stop() {
    clearInterval(playing);
    playing = null;
    playButton.textContent = 'Play';
    playButton.setAttribute('aria-pressed', 'false');
}
function play() {
    stop();
    const rate = Math.min(60, Math.max(1, Number(rateInput.value) || 8));
    playing = setInterval(() => {
        // A page still on its way is not overtaken: the loop waits for it.
        if (shown && !shown.waiting) showPage(shown.page + 1);
    }, 1000 / rate);
    playButton.textContent = 'Pause';
    playButton.setAttribute('aria-pressed', 'true');
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
document.getElementById('page-prev').onclick = () => showPage(shown.page - 1);
document.getElementById('page-next').onclick = () => showPage(shown.page + 1);
playButton.onclick = () => (playing ? stop() : play());
rateInput.onchange = () => playing && play();
document.getElementById('layers').addEventListener('change', requestPage);
document.addEventListener('keydown', (e) => {
    if (section.hidden) return;
    if (e.key === 'Escape') {
        e.preventDefault();
        closePreview();
    } else if ((e.key === 'ArrowLeft' || e.key === 'ArrowRight') && shown?.pages?.length > 1 && e.target.tagName !== 'INPUT') {
        e.preventDefault();
        showPage(shown.page + (e.key === 'ArrowRight' ? 1 : -1));
    }
});
