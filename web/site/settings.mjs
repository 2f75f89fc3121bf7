// @ts-check
// The export settings the page remembers (localStorage): the frame rate,
// which the preview's Play shares, the scale and the sheet's columns, each
// held to the command line's limits. Each input shows its setting and
// changes it.
import { byId } from './dom.mjs';
import { limits } from './formats.mjs';

/** @typedef {import('./formats.mjs').Settings} Settings */

const key = 'tomel-settings';
/** @type {Settings} */
const defaults = { fps: 8, scale: 1, columns: 0 };

/**
 * @param {unknown} value
 * @param {[number, number]} range
 * @param {number} fallback
 */
function within(value, [low, high], fallback) {
    const n = Number(value);
    return Number.isInteger(n) && n >= low && n <= high ? n : fallback;
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
    return {
        fps: within(saved.fps, limits.fps, defaults.fps),
        scale: within(saved.scale, limits.scale, defaults.scale),
        columns: within(saved.columns, limits.columns, defaults.columns),
    };
}

export const settings = stored();
/** @type {(() => void)[]} */
const listeners = [];
/** @param {() => void} listener called after any setting changed */
export const onSettingsChange = (listener) => listeners.push(listener);

// The inputs with the ids `fps`, `scale` and `columns` (and the preview's
// `rate`, which is the frame rate too) show the settings and change them.
export function showSettings() {
    /** @type {[keyof Settings, string][]} */
    const inputs = [['fps', 'fps'], ['fps', 'rate'], ['scale', 'scale'], ['columns', 'columns']];
    const shown = () => {
        for (const [name, id] of inputs) /** @type {HTMLInputElement} */ (byId(id)).value = String(settings[name]);
    };
    for (const [name, id] of inputs) {
        const input = /** @type {HTMLInputElement} */ (byId(id));
        input.addEventListener('change', () => {
            settings[name] = within(input.value, limits[name], settings[name]);
            try {
                localStorage.setItem(key, JSON.stringify(settings));
            } catch {
                // Not remembered, but used.
            }
            shown();
            for (const listener of listeners) listener();
        });
    }
    shown();
}
