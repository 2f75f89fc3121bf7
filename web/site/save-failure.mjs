// @ts-check
// Why a save failed, in words a row shows: the limit a format has and what
// to do about it, memory run out, or what the browser said.
import { adviceFor } from './advice.mjs';

/** @typedef {Exclude<import('./formats.mjs').Format, 'psd'>} ExportFormat */

const outOfMemory = 'Error : Out of memory';
const tooLarge = 'Error : UnsupportedFormat';

// What each format refuses as too large, and what to do instead.
/** @type {Partial<Record<ExportFormat, string>>} */
const limitOf = {
    gif: 'a GIF is at most 65535 pixels wide and tall, and this one would be larger at this scale: choose a lower scale',
    aseprite: 'an Aseprite file holds at most 65535 frames and 65535 layers: split the document in Edge',
};

/**
 * The sentence for an export's error line.
 * @param {ExportFormat} format
 * @param {string} line tomel-export's error line
 * @param {number} scale the scale it was made at
 */
export function exportFailure(format, line, scale) {
    if (line === tooLarge && limitOf[format]) return `${limitOf[format]} (${line}).`;
    if (line === outOfMemory) {
        return `the browser gave this page too little memory for it${scale > 1 ? ': choose a lower scale, or' : ': use'} ` +
            `tomel-export on the command line (${line}).`;
    }
    return `${line}. ${adviceFor(line)}`;
}

/**
 * What a row says of its save that failed.
 * @param {string} what the file and format ("big.edg as GIF", "cat.psd")
 * @param {string} why
 */
export const saveFailed = (what, why) => `${what} could not be saved: ${why}`;
