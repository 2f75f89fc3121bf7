// @ts-check
// What to do about each error line a row can show: the README's advice.
import { changed, notStarted, unreadable } from './queue.mjs';

/** @type {Record<string, string>} */
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
    [unreadable]: 'Add it again from where it is now.',
    [changed]: 'Its file was written to after it was added: add it again.',
    [notStarted]: '',
};

// Lines whose file can be added again: the row offers the picker.
export const addedAgain = new Set([unreadable, changed]);

/** @param {string} line a failed row's */
export const adviceFor = (line) => advice[line] ?? 'Check the file and try again.';
