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
/**
 * A row's elements. `own`: the format chosen in the row's own menu, or null:
 * the page's; `saving`: what shows the row's save being made.
 * @typedef {{ li: HTMLElement, result: HTMLElement, buttons: HTMLElement, progress: HTMLProgressElement, drawn: string,
 *     own: Format | null, saving: HTMLElement | null }} View
 */
/** @typedef {import('./formats.mjs').Format} Format */
/**
 * What a row's buttons do.
 * @typedef {object} RowActions
 * @property {(entry: Entry) => void} cancel
 * @property {(entry: Converted, from: HTMLElement, format: import('./formats.mjs').Format) => void} preview the PSD's, or
 *   the picture of a format that has one
 * @property {(entry: Converted, format: import('./formats.mjs').Format) => void} save
 * @property {(entry: Converted) => void} cancelSave the row's save being made
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
    /** @type {Format} what rows save in where they chose nothing of their own */
    #format = 'psd';
    /** @type {Map<number, Converted>} the converted rows drawn, to name the format anew */
    #converted = new Map();

    /**
     * @param {HTMLElement} list
     * @param {RowActions} actions
     */
    constructor(list, actions) {
        this.#list = list;
        this.#actions = actions;
    }

    /**
     * The page's format changed: every row without its own says it.
     * @param {Format} format
     */
    set format(format) {
        this.#format = format;
        for (const [id, entry] of this.#converted) {
            const view = this.#views.get(id);
            if (view && view.own === null) named(entry, view, format);
        }
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
        if (entry.state === 'converted') this.#drawSaving(entry, view);
    }

    clear() {
        this.#list.replaceChildren();
        this.#views.clear();
        this.#converted.clear();
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
            view = { li, result: element('span', 'result'), buttons: element('span', 'buttons'), progress, drawn: '', own: null, saving: null };
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
    #drawState(entry, view) {
        const { li, result, buttons, progress } = view;
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
            this.#converted.set(entry.id, entry);
            li.dataset.output = entry.output;
            const chosen = () => view.own ?? this.#format;
            // Preview shows the chosen format where it is one picture, else the PSD.
            const show = button('show', 'Preview', '', () => this.#actions.preview(entry, show, pictured(chosen())));
            const save = button('save', 'Save', '', () => this.#actions.save(entry, chosen()));
            // The format Save saves in, for this row alone: chosen from a menu
            // made when first asked for (a thousand rows' menus cost more than
            // converting their files).
            const format = button('format', 'Format…', '', () => {
                const menu = /** @type {HTMLSelectElement} */ (formatMenu().cloneNode(true));
                menu.value = chosen();
                menu.setAttribute('aria-label', `Format to save ${entry.label} in`);
                menu.onchange = () => {
                    view.own = formats.find(({ id }) => id === menu.value)?.id ?? 'psd';
                    named(entry, view, view.own);
                };
                format.replaceWith(menu);
                menu.focus();
            });
            buttons.replaceChildren(show, save, format);
            named(entry, view, chosen());
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

    // Whether the row was saved; its save being made, with its progress and
    // Cancel; and why its last save failed, until its next one.
    /**
     * @param {Converted} entry
     * @param {View} view
     */
    #drawSaving(entry, view) {
        const { saved, saving, saveFailure } = entry;
        const { li, buttons } = view;
        if (saved) li.dataset.saved = '';
        if (saving !== null && !view.saving) {
            const what = saving === 'psd' ? entry.output : `${entry.label} as ${labelOf(saving)}`;
            const progress = element('progress');
            progress.setAttribute('aria-label', `Saving ${what}`);
            view.saving = element('span', 'saving');
            view.saving.append(element('span', '', `Saving ${saving === 'psd' ? 'the PSD' : labelOf(saving)}…`), progress, button('cancel-save', 'Cancel', `Cancel saving ${what}`, () => this.#actions.cancelSave(entry)));
            buttons.append(view.saving);
            li.dataset.saving = saving;
        } else if (saving === null && view.saving) {
            const hadFocus = view.saving.contains(document.activeElement);
            view.saving.remove();
            view.saving = null;
            delete li.dataset.saving;
            if (hadFocus) /** @type {HTMLElement} */ (buttons.querySelector('.save')).focus();
        }
        const note = li.querySelector('.save-failed');
        if (note?.textContent === saveFailure) return;
        note?.remove();
        li.classList.toggle('save-failed-row', saveFailure !== null);
        if (saveFailure !== null) li.append(element('span', 'save-failed error', saveFailure));
    }
}

/**
 * The format Preview shows: the chosen one where it is one picture, else the PSD.
 * @param {Format} format
 */
const pictured = (format) => (hasPicture(format) ? format : 'psd');

/**
 * A converted row says the format it saves in: in its text, and on its buttons.
 * @param {Converted} entry
 * @param {View} view
 * @param {Format} format
 */
function named(entry, { result, buttons }, format) {
    const as = format === 'psd' ? entry.output : `${entry.label} as ${labelOf(format)}`;
    result.textContent = format === 'psd' ? `${entry.label} → ${entry.output} (${size(entry.size)})` : `${entry.label} → ${labelOf(format)}`;
    const save = buttons.querySelector('.save');
    save?.setAttribute('aria-label', `Save ${as}`);
    if (save) save.textContent = format === 'psd' ? 'Save' : `Save ${labelOf(format)}`;
    buttons.querySelector('.show')?.setAttribute('aria-label', `Preview ${pictured(format) === 'psd' ? entry.output : as}`);
    buttons.querySelector('button.format')?.setAttribute('aria-label', `Format to save ${entry.label} in: ${labelOf(format)}`);
}
