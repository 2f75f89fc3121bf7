// @ts-check
// What a converted row can be saved as: its PSD, or one of tomel-export's
// formats, made on demand with the settings the page remembers.

/** @typedef {'psd' | 'aseprite' | 'gif' | 'apng' | 'png' | 'sheet' | 'palette'} Format */
/** @typedef {{ format: Format, fps: number, scale: number, columns: number }} Settings */

/** @type {{ id: Format, label: string }[]} */
export const formats = [
    { id: 'psd', label: 'PSD' },
    { id: 'aseprite', label: 'Aseprite' },
    { id: 'gif', label: 'GIF' },
    { id: 'apng', label: 'APNG' },
    { id: 'png', label: 'PNG pages' },
    { id: 'sheet', label: 'Sprite sheet' },
    { id: 'palette', label: 'Palette' },
];

/**
 * Whether a format has a picture the preview shows: a GIF or APNG (playing
 * at the set rate), or a sprite sheet.
 * @param {Format} format
 */
export const hasPicture = (format) => format === 'gif' || format === 'apng' || format === 'sheet';
/**
 * The picture of a format's files, or why there is none.
 * @param {{ files: import('./protocol.mjs').ExportedFile[], line: string | null }} made
 */
export function pictureOf({ files, line }) {
    const picture = files.find(({ name }) => /\.(gif|apng|sheet\.png)$/.test(name));
    if (!picture) throw new Error(line ?? 'nothing to show');
    return picture.blob;
}

/** @param {Format} format */
export const labelOf = (format) => formats.find(({ id }) => id === format)?.label ?? format;

// The settings' limits, the command line's: a GIF's frame rate stops at 50,
// and the page's one rate is every format's.
/** @type {Record<'fps' | 'scale' | 'columns', [number, number]>} */
export const limits = { fps: [1, 50], scale: [1, 16], columns: [0, 65535] };

/**
 * tomel-export's format and options for `format` (not the PSD): only the
 * options the format takes, so that the command line says the same.
 * @param {Exclude<Format, 'psd'>} format
 * @param {Settings} settings
 */
export function wordsFor(format, { fps, scale, columns }) {
    const rate = ['--fps', String(fps)];
    const scaled = ['--scale', String(scale)];
    switch (format) {
    case 'gif':
    case 'apng':
        return [format, ...rate, ...scaled];
    case 'png':
        return [format, ...scaled];
    case 'sheet':
        return [format, ...rate, ...scaled, ...(columns > 0 ? ['--columns', String(columns)] : [])];
    case 'aseprite':
        return [format, ...rate];
    case 'palette':
        return [format];
    }
}
