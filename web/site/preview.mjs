// @ts-check
// The preview: each page of a PSD, composited from its layers, drawn crisp at
// whole zoom steps; a page picker that can play the pages in a loop; and the
// layer tree, where each layer and group can be hidden (in the preview only:
// the PSD is not changed). Or a picture of another format before it is saved
// (a GIF or APNG playing at the set rate, a sprite sheet), as the browser
// shows it. The PSD is read and composited in a worker
// (preview-worker.mjs); the page only shows the bitmaps.
import { byId, element } from './dom.mjs';
import { errorText } from './error-text.mjs';
import { toPreview } from './protocol.mjs';
import { onSettingsChange, settings } from './settings.mjs';
import { WorkerLink } from './worker-link.mjs';

/** @typedef {import('./protocol.mjs').TreeNode} TreeNode */
/** @typedef {import('./protocol.mjs').Opened} Opened */

// Device pixels per image pixel: whole numbers from 1 up, halves down to
// 1/8, so that every image pixel covers the same number of screen pixels.
const zoomSteps = [1 / 8, 1 / 4, 1 / 2, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64];

const section = byId('preview');
const title = byId('preview-title');
let canvas = /** @type {HTMLCanvasElement} */ (byId('composite'));
const box = /** @type {HTMLElement} */ (canvas.parentElement);
const animation = /** @type {HTMLImageElement} */ (byId('animation'));
const zoomLevel = byId('zoom-level');
const pageBar = byId('pages');
const rateBar = byId('rate-bar');
const pageLabel = byId('page-label');
const playButton = byId('play');

/**
 * What is shown: the PSD's name, what the worker read of it (once opened),
 * the page at hand, and whether a picture is on its way (`waiting`) or asked
 * for again meanwhile (`again`). Its asks end with it (`cancel`).
 * @typedef {object} Shown
 * @property {AbortController} cancel
 * @property {string} output
 * @property {Opened | null} opened
 * @property {number} page
 * @property {boolean} waiting
 * @property {boolean} again
 */
const view = {
    zoomStep: zoomSteps.indexOf(1),
    /** @type {HTMLElement | null} where focus goes back on close */
    opener: null,
    /** @type {Shown | null} */
    shown: null,
    /** @type {ReturnType<typeof setInterval> | null} */
    playing: null,
    /** @type {AbortController | null} the picture of another format being made */
    picture: null,
    /** @type {{ name: string, make: () => Promise<Blob>, playing: boolean } | null} the picture shown, made again as the settings change */
    pictured: null,
};

/** @type {WorkerLink<never, import('./protocol.mjs').ToPreview, import('./protocol.mjs').PreviewReplies>} */
const link = new WorkerLink(new URL('./preview-worker.mjs', import.meta.url), {}, (detail) => link.end(detail));

/**
 * @param {Shown} shown
 * @param {ImageBitmap} bitmap
 * @param {number} page
 */
function showBitmap(shown, bitmap, page) {
    shown.waiting = false;
    /** @type {ImageBitmapRenderingContext} */ (canvas.getContext('bitmaprenderer')).transferFromImageBitmap(bitmap);
    section.dataset.shownPage = String(page);
    if (shown.again) {
        shown.again = false;
        requestPage();
    }
}

// What is shown, a page's canvas or another format's picture, and its size.
function shownPicture() {
    return animation.hidden
        ? { shown: /** @type {HTMLElement} */ (canvas), width: canvas.width, height: canvas.height }
        : { shown: animation, width: animation.naturalWidth, height: animation.naturalHeight };
}

function applyZoom() {
    const zoom = zoomSteps[view.zoomStep];
    const scale = zoom / window.devicePixelRatio;
    const { shown, width, height } = shownPicture();
    shown.style.width = `${width * scale}px`;
    shown.style.height = `${height * scale}px`;
    zoomLevel.textContent = zoom >= 1 ? `${zoom}×` : `1/${1 / zoom}×`;
    /** @type {HTMLButtonElement} */ (byId('zoom-out')).disabled = view.zoomStep === 0;
    /** @type {HTMLButtonElement} */ (byId('zoom-in')).disabled = view.zoomStep === zoomSteps.length - 1;
}

// The largest step at which the whole image fits the picture's column and
// 70% of the window's height.
/**
 * The largest zoom step at which a picture of `width` × `height` fits.
 * @param {number} width
 * @param {number} height
 */
function fittingStep(width, height) {
    // The picture's column: the box itself is only as wide as the picture.
    const room = box.parentElement?.clientWidth || width;
    const dpr = window.devicePixelRatio;
    let step = 0;
    for (let i = 0; i < zoomSteps.length; ++i) {
        if ((width * zoomSteps[i]) / dpr <= room && (height * zoomSteps[i]) / dpr <= window.innerHeight * 0.7) step = i;
    }
    return step;
}

function fit() {
    const { width, height } = shownPicture();
    view.zoomStep = fittingStep(width, height);
    applyZoom();
}

// The tree, each layer and group with a box that shows or hides it.
/**
 * @param {TreeNode[]} nodes
 * @returns {HTMLLIElement[]}
 */
function treeItems(nodes) {
    return nodes.map((node) => {
        const item = element('li', node.children ? 'group' : 'layer');
        const label = element('label');
        const toggle = /** @type {HTMLInputElement} */ (element('input'));
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
        return /** @type {HTMLLIElement} */ (item);
    });
}

// The boxes cleared: the worker leaves out those layers and everything in
// those groups.
function unticked() {
    return Array.from(document.querySelectorAll('#layers input:not(:checked)'), (toggle) =>
        Number(/** @type {HTMLInputElement} */ (toggle).dataset.index));
}

/**
 * @param {Shown} shown
 * @param {Opened} opened
 */
function describe(shown, opened) {
    const { width, height, pages, layerCount } = opened;
    const layersText = layerCount === 0 ? 'the composite only' : `${layerCount} ${layerCount === 1 ? 'layer' : 'layers'}`;
    const page = pages[shown.page];
    const pageText = pages.length === 1 ? '1 page' : `page ${shown.page + 1} of ${pages.length}${page.name ? `, ${page.name}` : ''}`;
    canvas.setAttribute('aria-label', `${shown.output}: ${width} × ${height} pixels, ${pageText}, ${layersText}`);
    pageLabel.textContent = `Page ${shown.page + 1} of ${pages.length}${page.name ? `: ${page.name}` : ''}`;
}

// Asks for the picture of the page at hand; at most one on its way.
function requestPage() {
    const shown = view.shown;
    if (!shown?.opened || shown.opened.tooLarge) return;
    describe(shown, shown.opened);
    if (shown.waiting) {
        shown.again = true;
        return;
    }
    shown.waiting = true;
    link.ask(toPreview.page({ page: shown.page, unticked: unticked() }), [], { signal: shown.cancel.signal })
        .then(({ page, bitmap }) => showBitmap(shown, bitmap, page), (e) => failedUnlessCancelled(shown, e));
}

/** @param {number} index */
function showPage(index) {
    const shown = view.shown;
    if (!shown?.opened) return;
    const count = shown.opened.pages.length;
    shown.page = ((index % count) + count) % count;
    requestPage();
}

/**
 * @param {Shown} shown
 * @param {Opened} data
 */
function opened(shown, data) {
    const { width, height, tree, pages, tooLarge } = data;
    showing('document');
    Object.assign(shown, { opened: data, page: 0, waiting: false, again: false });
    title.textContent = `${shown.output}: ${width} × ${height}`;
    canvas.width = tooLarge ? 0 : width;
    canvas.height = tooLarge ? 0 : height;
    canvas.hidden = tooLarge;
    byId('too-large').hidden = !tooLarge;
    // Too large to show: only the message and the layer tree, nothing to zoom or page through.
    for (const id of ['zoom-out', 'zoom-level', 'zoom-in', 'zoom-fit']) byId(id).hidden = tooLarge;
    byId('layers').replaceChildren(...(tree.length ? treeItems(tree) : [element('li', '', '(the composite only)')]));
    pageBar.hidden = tooLarge || pages.length < 2;
    rateBar.hidden = pageBar.hidden;
    section.hidden = false;
    section.dataset.output = shown.output;
    fit();
    requestPage();
    section.scrollIntoView({ block: 'start' });
    title.focus({ preventScroll: true });
}

/**
 * @param {Shown} shown
 * @param {unknown} e
 */
function failedUnlessCancelled(shown, e) {
    if (!shown.cancel.signal.aborted) failed(shown, e instanceof Error ? e.message : String(e));
}

/**
 * @param {Shown} shown
 * @param {string} detail
 */
function failed(shown, detail) {
    title.textContent = `${shown.output}: the preview could not be made (${detail})`;
    section.hidden = false;
    title.focus();
}

// Opens the preview of a converted file; focus goes back to `from` on close.
/**
 * @param {string} output the PSD's name
 * @param {Promise<Blob>} psd
 * @param {HTMLElement} from
 */
export async function openPreview(output, psd, from) {
    stop();
    view.opener = from;
    view.picture?.abort();
    view.shown?.cancel.abort();
    const shown = { cancel: new AbortController(), output, opened: null, page: 0, waiting: false, again: false };
    view.shown = shown;
    delete section.dataset.shownPage;
    /** @type {Blob} */
    let blob;
    try {
        blob = await psd;
    } catch (e) {
        if (!shown.cancel.signal.aborted) failed(shown, errorText(e));
        return;
    }
    link.ask(toPreview.open({ psd: blob }), [], { signal: shown.cancel.signal })
        .then((data) => opened(shown, data), (e) => failedUnlessCancelled(shown, e));
}

// What the preview holds: a PSD's pages, or another format's picture.
/** @param {'document' | 'picture'} what */
function showing(what) {
    const picture = what === 'picture';
    animation.hidden = !picture;
    byId('tree').hidden = picture;
    if (picture) {
        canvas.hidden = true;
        pageBar.hidden = true;
        rateBar.hidden = true;
        byId('too-large').hidden = true;
    } else {
        view.pictured = null;
    }
    for (const id of ['zoom-out', 'zoom-level', 'zoom-in', 'zoom-fit']) byId(id).hidden = picture;
    if (animation.src) URL.revokeObjectURL(animation.src);
    animation.removeAttribute('src');
}

/**
 * Opens the picture of a row saved in another format; focus goes back to
 * `from` on close. It is made again, in place, when a setting it is made
 * with changes.
 * @param {string} name what it shows ("pages.edg as GIF")
 * @param {() => Promise<Blob>} make
 * @param {HTMLElement} from
 * @param {{ playing?: boolean, again?: boolean }} [how] `playing`: it plays at the set rate;
 *   `again`: made again for a changed setting, focus stays where it is
 */
export async function openPicture(name, make, from, { playing = false, again = false } = {}) {
    stop();
    view.opener = from;
    view.picture?.abort();
    view.shown?.cancel.abort();
    view.shown = null;
    const asked = (view.picture = new AbortController());
    showing('picture');
    view.pictured = { name, make, playing };
    delete section.dataset.shownPage;
    delete section.dataset.shownRate;
    title.textContent = `${name}: being made…`;
    rateBar.hidden = !playing;
    section.hidden = false;
    let blob;
    try {
        blob = await make();
    } catch (e) {
        if (!asked.signal.aborted) title.textContent = `${name}: the preview could not be made (${e instanceof Error ? e.message : String(e)})`;
        return;
    } finally {
        if (!asked.signal.aborted && !again) title.focus();
    }
    if (asked.signal.aborted) return;
    // Shown crisp, as large as fits, as a page is, and zoomed as a page is.
    const rate = settings.fps;
    animation.onload = () => {
        for (const id of ['zoom-out', 'zoom-level', 'zoom-in', 'zoom-fit']) byId(id).hidden = false;
        fit();
        if (playing) section.dataset.shownRate = String(rate);
    };
    animation.src = URL.createObjectURL(blob);
    animation.alt = name;
    title.textContent = name;
    section.dataset.output = name;
    if (!again) section.scrollIntoView({ block: 'start' });
}

export function closePreview() {
    if (section.hidden) return;
    stop();
    view.picture?.abort();
    showing('document');
    section.hidden = true;
    view.shown?.cancel.abort();
    view.shown = null;
    // The memory goes with the preview: the worker's PSD and pictures, and
    // the canvas, whose context keeps the picture shown and copies of it for
    // the screen as long as the canvas lives.
    link.end();
    const fresh = /** @type {HTMLCanvasElement} */ (canvas.cloneNode(false));
    canvas.replaceWith(fresh);
    canvas = fresh;
    delete section.dataset.shownPage;
    // Back to the button that opened it; if its row is gone or hidden (the
    // failed files only shown), to the list, else to the picker.
    const opener = view.opener;
    const shows = (/** @type {HTMLElement} */ e) => e.isConnected && e.getClientRects().length > 0;
    const list = byId('files');
    (opener && shows(opener) ? opener : shows(list) ? list : byId('pick-button')).focus();
}

// Playing: the pages in order, looping, at the rate the user sets.
function stop() {
    pageLabel.setAttribute('aria-live', 'polite');
    if (view.playing !== null) clearInterval(view.playing);
    view.playing = null;
    playButton.textContent = 'Play';
    playButton.setAttribute('aria-pressed', 'false');
}
// While the pages play, their label is not read out, 8 times a second; on
// pause, the page shown is.
function pause() {
    stop();
    const text = pageLabel.textContent;
    pageLabel.textContent = '';
    pageLabel.textContent = text;
}

function play() {
    stop();
    pageLabel.setAttribute('aria-live', 'off');
    const rate = settings.fps;
    view.playing = setInterval(() => {
        // A page still on its way is not overtaken: the loop waits for it.
        if (view.shown && !view.shown.waiting) showPage(view.shown.page + 1);
    }, 1000 / rate);
    playButton.textContent = 'Pause';
    playButton.setAttribute('aria-pressed', 'true');
}

byId('zoom-in').onclick = () => {
    view.zoomStep = Math.min(zoomSteps.length - 1, view.zoomStep + 1);
    applyZoom();
};
byId('zoom-out').onclick = () => {
    view.zoomStep = Math.max(0, view.zoomStep - 1);
    applyZoom();
};
byId('zoom-fit').onclick = fit;
byId('preview-close').onclick = closePreview;
byId('page-prev').onclick = () => view.shown && showPage(view.shown.page - 1);
byId('page-next').onclick = () => view.shown && showPage(view.shown.page + 1);
playButton.onclick = () => (view.playing ? pause() : play());
onSettingsChange(() => {
    if (view.playing) play();
    // A picture shown is made again with the settings now.
    const pictured = view.pictured;
    if (pictured && !section.hidden) openPicture(pictured.name, pictured.make, /** @type {HTMLElement} */ (view.opener), { ...pictured, again: true });
});
byId('layers').addEventListener('change', requestPage);
document.addEventListener('keydown', (e) => {
    if (section.hidden) return;
    const pages = view.shown?.opened?.pages.length ?? 0;
    if (e.key === 'Escape') {
        e.preventDefault();
        closePreview();
    } else if ((e.key === 'ArrowLeft' || e.key === 'ArrowRight') && pages > 1 && view.shown &&
        /** @type {HTMLElement} */ (e.target).tagName !== 'INPUT') {
        e.preventDefault();
        showPage(view.shown.page + (e.key === 'ArrowRight' ? 1 : -1));
    }
});
