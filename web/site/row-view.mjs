// @ts-check
// Each row of the list, drawn from its entry (rows.mjs): all of it when its
// state changed, else what changed within the state (progress, a save). Its
// buttons call back; keyboard focus is never dropped when they change.
import { addedAgain, adviceFor } from './advice.mjs';
import { element } from './dom.mjs';
import { formats, hasPicture, labelOf } from './formats.mjs';
import { edgName, hasFinished } from './rows.mjs';

/** @typedef {import('./rows.mjs').Entry} Entry */
/** @typedef {import('./rows.mjs').Converted} Converted */
/** @typedef {{ li: HTMLElement, result: HTMLElement, buttons: HTMLElement, progress: HTMLProgressElement, drawn: string }} View */
/**
 * What a row's buttons do.
 * @typedef {object} RowActions
 * @property {(entry: Entry) => void} cancel
 * @property {(entry: Converted, from: HTMLElement, format: import('./formats.mjs').Format) => void} preview the PSD's, or
 *   the picture of a format that has one
 * @property {(entry: Converted, format: import('./formats.mjs').Format) => void} save
 * @property {() => void} addAgain the picker, for a file that changed or moved since it was added
 */

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

// The format menu every converted row has a copy of: cloned whole, a
// thousand rows cost a fraction of making each one's options.
/** @type {HTMLSelectElement | null} */
let menu = null;
function formatMenu() {
    if (!menu) {
        menu = /** @type {HTMLSelectElement} */ (element('select', 'format'));
        menu.append(...formats.map(({ id, label }) => Object.assign(element('option', '', label), { value: id })));
    }
    return menu;
}

// Focus for a row's lost button: the row's own first button, else the next
// row's, else the one before, else the list itself.
/**
 * @param {HTMLElement} li
 * @param {HTMLElement} list
 */
function focusNear(li, list) {
    const target = [li, li.nextElementSibling, li.previousElementSibling]
        .map((row) => row?.querySelector('button')).find((b) => b && b.getClientRects().length > 0);
    (target ?? list).focus();
}

export class RowView {
    /** @type {Map<number, View>} */
    #views = new Map();
    #list;
    #actions;

    /**
     * @param {HTMLElement} list
     * @param {RowActions} actions
     */
    constructor(list, actions) {
        this.#list = list;
        this.#actions = actions;
    }

    /** @param {Entry} entry */
    draw(entry) {
        const view = this.#viewOf(entry);
        // An attribute, so that every step can be observed.
        if (entry.state === 'converting') view.progress.setAttribute('value', String(entry.progress));
        if (view.drawn !== entry.state) {
            view.drawn = entry.state;
            const { li, buttons } = view;
            // A row whose buttons change under the keyboard's focus passes it on.
            const hadFocus = buttons.contains(document.activeElement);
            this.#drawState(entry, view);
            if (hadFocus && !buttons.contains(document.activeElement)) focusNear(li, this.#list);
        }
        if (entry.state === 'converted') drawSaving(entry, view);
    }

    clear() {
        this.#list.replaceChildren();
        this.#views.clear();
    }

    /** @param {Entry} entry */
    #viewOf(entry) {
        let view = this.#views.get(entry.id);
        if (!view) {
            const li = element('li');
            li.dataset.name = entry.name;
            const progress = /** @type {HTMLProgressElement} */ (element('progress'));
            progress.max = 1;
            progress.setAttribute('value', '0');
            progress.setAttribute('aria-label', `Converting ${entry.label}`);
            view = { li, result: element('span', 'result'), buttons: element('span', 'buttons'), progress, drawn: '' };
            li.append(view.result, view.buttons);
            this.#list.append(li);
            this.#views.set(entry.id, view);
        }
        return view;
    }

    /**
     * @param {Entry} entry
     * @param {View} view
     */
    #drawState(entry, { li, result, buttons, progress }) {
        li.dataset.state = entry.state;
        if (hasFinished(entry)) {
            li.dataset.finished = '';
            // For the benchmark and tests: the time from the hand-over, and the
            // module's memory after this file.
            /** @type {Partial<import('./rows.mjs').Outcome>} */
            const outcome = entry.state === 'cancelled' ? {} : entry;
            li.dataset.ms = String(outcome.ms ?? 0);
            li.dataset.memory = String(outcome.memory ?? 0);
        }
        progress.hidden = entry.state !== 'converting';
        switch (entry.state) {
        case 'waiting':
        case 'reading':
        case 'converting':
            result.textContent = `${entry.label} → ${entry.state === 'converting' ? 'converting' : 'waiting'}`;
            if (buttons.childElementCount === 0) {
                buttons.append(progress, button('cancel', 'Cancel', `Cancel ${entry.label}`, () => this.#actions.cancel(entry)));
            }
            return;
        case 'cancelled':
            buttons.replaceChildren();
            result.textContent = `${entry.label} → cancelled`;
            return;
        case 'converted': {
            const { output } = entry;
            li.dataset.output = output;
            result.textContent = `${entry.label} → ${output} (${size(entry.size)})`;
            /** @type {import('./formats.mjs').Format} */
            let chosen = 'psd';
            // Preview shows the chosen format where it is one picture, else the PSD.
            const pictured = () => (hasPicture(chosen) ? chosen : 'psd');
            const show = button('show', 'Preview', `Preview ${output}`, () => this.#actions.preview(entry, show, pictured()));
            const save = button('save', 'Save', `Save ${output}`, () => this.#actions.save(entry, chosen));
            // The format Save saves in: the PSD, or one of the export formats,
            // chosen from a menu made when first asked for (a thousand rows'
            // menus cost more than converting their files).
            const format = button('format', 'Format…', `Format to save ${entry.label} in: PSD`, () => {
                const menu = /** @type {HTMLSelectElement} */ (formatMenu().cloneNode(true));
                menu.setAttribute('aria-label', `Format to save ${entry.label} in`);
                menu.onchange = () => {
                    chosen = formats.find(({ id }) => id === menu.value)?.id ?? 'psd';
                    const as = chosen === 'psd' ? output : `${entry.label} as ${labelOf(chosen)}`;
                    save.setAttribute('aria-label', `Save ${as}`);
                    show.setAttribute('aria-label', `Preview ${pictured() === 'psd' ? output : as}`);
                };
                format.replaceWith(menu);
                menu.focus();
            });
            buttons.replaceChildren(show, save, format);
            return;
        }
        case 'failed': {
            const { line, detail } = entry;
            buttons.replaceChildren(...(addedAgain.has(line)
                ? [button('add-again', 'Add again…', `Add ${entry.label} again`, () => this.#actions.addAgain())] : []));
            li.classList.add('failed');
            li.dataset.line = line;
            result.textContent = `${entry.label}: ${line}${edgName.test(entry.name) ? '' : '; this is not an .edg file'}`;
            result.classList.add('error');
            li.append(element('span', 'advice', adviceFor(line)));
            if (detail) {
                // Kept for a bug report.
                const more = element('details');
                more.append(element('summary', '', 'Details'), element('pre', '', detail));
                li.append(more);
                li.dataset.detail = detail;
            }
        }
        }
    }
}

// Whether the row's PSD was saved, and the note that its last write into a
// folder failed, or none.
/**
 * @param {Converted} entry
 * @param {View} view
 */
function drawSaving({ saved, saveFailure }, { li }) {
    if (saved) li.dataset.saved = '';
    const note = li.querySelector('.save-failed');
    if (note?.textContent === saveFailure) return;
    note?.remove();
    li.classList.toggle('save-failed-row', saveFailure !== null);
    if (saveFailure !== null) li.append(element('span', 'save-failed error', saveFailure));
}
