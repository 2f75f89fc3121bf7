// @ts-check
// The action bar's ways to save: "Save all" with the formats chosen for it
// (the one files are saved as, unless others are ticked), "Save into a folder…" where the browser
// can write into one, and the progress of each.
import { byId, element } from './dom.mjs';
import { errorText } from './error-text.mjs';
import { formats } from './formats.mjs';
import { Saver } from './saving.mjs';
import { onSettingsChange, settings } from './settings.mjs';

/** @typedef {{ showDirectoryPicker?: (options: { mode: string }) => Promise<import('./saving.mjs').Folder> }} WithFolders */

/**
 * @param {HTMLProgressElement} progress
 * @param {number | null} fraction
 */
function showProgress(progress, fraction) {
    progress.hidden = fraction === null;
    progress.value = fraction ?? 0;
}

/**
 * The saver, its controls bound.
 * @param {Omit<import('./saving.mjs').SaveParts, 'zipShown' | 'folderShown'>} parts
 */
export function saveBar(parts) {
    const saveAll = /** @type {HTMLButtonElement} */ (byId('save-all'));
    const saveFolder = /** @type {HTMLButtonElement} */ (byId('save-folder'));
    const folders = /** @type {WithFolders} */ (/** @type {unknown} */ (window));
    const saver = new Saver({
        ...parts,
        zipShown: (fraction) => {
            saveAll.disabled = fraction !== null;
            saveAll.textContent = fraction === null ? 'Save all as .zip' : 'Zipping…';
            showProgress(/** @type {HTMLProgressElement} */ (byId('zip-progress')), fraction);
        },
        folderShown: (fraction) => {
            saveFolder.disabled = fraction !== null;
            showProgress(/** @type {HTMLProgressElement} */ (byId('folder-progress')), fraction);
        },
    });
    // "Save all" saves the format files are saved as, and what else is ticked.
    const chosen = formats.map(({ id, label }) => {
        const box = /** @type {HTMLInputElement} */ (element('input'));
        box.type = 'checkbox';
        box.value = id;
        box.checked = id === settings.format;
        const named = element('label');
        named.append(box, ` ${label}`);
        byId('save-all-formats').append(named);
        return { id, box };
    });
    let format = settings.format;
    onSettingsChange(() => {
        if (settings.format === format) return;
        format = settings.format;
        for (const { id, box } of chosen) box.checked = id === format;
    });
    saveAll.onclick = () => saver.saveAll(chosen.filter(({ box }) => box.checked).map(({ id }) => id));
    // The user closing the chooser picks nothing, and nothing failed.
    const pick = () => folders.showDirectoryPicker?.({ mode: 'readwrite' }).catch((e) => {
        if (e instanceof DOMException && e.name === 'AbortError') return null;
        throw e;
    }) ?? Promise.resolve(null);
    saveFolder.hidden = typeof folders.showDirectoryPicker !== 'function';
    saveFolder.onclick = () => saver.saveIntoFolder(pick).catch((e) => {
        parts.say(`Saving into the folder failed: ${errorText(e)}`);
    });
    return saver;
}
