// @ts-check
// The export settings the page remembers (localStorage): the format rows
// save in, the frame rate (which the preview's Play and its pictures share),
// the scale and the sheet's columns, each held to the command line's limits.
// Each input shows its setting and changes it; a value the command line
// would refuse is refused beside its field, and the setting stays.
import { byId } from './dom.mjs';
import { formats, limits } from './formats.mjs';

/** @typedef {import('./formats.mjs').Settings} Settings */
/** @typedef {'fps' | 'scale' | 'columns'} NumberSetting */

const key = 'tomel-settings';
/** @type {Settings} */
const defaults = { format: 'psd', fps: 8, scale: 1, columns: 0 };
/** @type {Record<NumberSetting, string>} */
const named = { fps: 'Frames a second', scale: 'Scales', columns: 'Sheet columns' };

/**
 * The whole number `text` says, written as the command line takes one
 * (digits alone), or null.
 * @param {unknown} text
 */
function wholeNumber(text) {
    return typeof text === 'number' ? (Number.isInteger(text) ? text : null) : /^[0-9]{1,9}$/.test(String(text)) ? Number(text) : null;
}

/**
 * The setting `value` gives `name`, or why it gives none.
 * @param {NumberSetting} name
 * @param {unknown} value null: typed, but not a number
 * @returns {{ value: number } | { refused: string }}
 */
export function settingOf(name, value) {
    const [low, high] = limits[name];
    const n = wholeNumber(value);
    if (n !== null && n >= low && n <= high) return { value: n };
    const what = value === null ? 'what was typed' : n === null ? (String(value).trim() === '' ? 'nothing' : `"${value}"`) : String(n);
    return { refused: `${named[name]} go from ${low} to ${high}, in whole numbers: ${what} is not taken.` };
}

/** @returns {Settings} */
function stored() {
    /** @type {Record<string, unknown>} */
    let saved = {};
    try {
        saved = JSON.parse(localStorage.getItem(key) ?? '{}') ?? {};
    } catch {
        // Storage refused (a private window) or a damaged entry: the defaults.
    }
    /** @param {NumberSetting} name */
    const kept = (name) => {
        const setting = settingOf(name, saved[name]);
        return 'value' in setting ? setting.value : defaults[name];
    };
    return {
        format: formats.find(({ id }) => id === saved.format)?.id ?? defaults.format,
        fps: kept('fps'),
        scale: kept('scale'),
        columns: kept('columns'),
    };
}

export const settings = stored();
/** @type {(() => void)[]} */
const listeners = [];
/** @param {() => void} listener called after any setting changed */
export const onSettingsChange = (listener) => listeners.push(listener);

function changed() {
    try {
        localStorage.setItem(key, JSON.stringify(settings));
    } catch {
        // Not remembered, but used.
    }
    for (const listener of listeners) listener();
}

// The inputs with the ids `fps`, `scale` and `columns` (and the preview's
// `rate`, which is the frame rate too), and the menu `format`, show the
// settings and change them. A value refused is said in the element named by
// the input's aria-describedby, and the input is marked invalid, until a
// value is taken.
export function showSettings() {
    /** @type {[NumberSetting, string][]} */
    const inputs = [['fps', 'fps'], ['fps', 'rate'], ['scale', 'scale'], ['columns', 'columns']];
    const shown = () => {
        for (const [name, id] of inputs) {
            const input = /** @type {HTMLInputElement} */ (byId(id));
            input.value = String(settings[name]);
            refuse(input, '');
        }
        /** @type {HTMLSelectElement} */ (byId('format')).value = settings.format;
    };
    for (const [name, id] of inputs) {
        const input = /** @type {HTMLInputElement} */ (byId(id));
        input.addEventListener('change', () => {
            // A number field gives '' for what is not a number: its text is refused too.
            const setting = settingOf(name, input.validity.badInput ? null : input.value);
            if ('refused' in setting) {
                refuse(input, setting.refused);
                return;
            }
            settings[name] = setting.value;
            shown();
            changed();
        });
    }
    const menu = /** @type {HTMLSelectElement} */ (byId('format'));
    menu.append(...formats.map(({ id, label }) => Object.assign(document.createElement('option'), { value: id, textContent: label })));
    menu.addEventListener('change', () => {
        settings.format = formats.find(({ id }) => id === menu.value)?.id ?? 'psd';
        changed();
    });
    shown();
}

/**
 * @param {HTMLInputElement} input
 * @param {string} why '' once a value is taken
 */
function refuse(input, why) {
    const note = byId(/** @type {string} */ (input.getAttribute('aria-describedby')));
    if (note.textContent === why) return;
    note.textContent = why;
    if (why) input.setAttribute('aria-invalid', 'true');
    else input.removeAttribute('aria-invalid');
}
