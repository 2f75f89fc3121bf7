// @ts-check
// A sprite sheet's JSON names its picture (meta.image). Saved beside other
// files under a number ("cat (2).sheet.png"), the JSON names the picture as
// it is saved: engines load the picture it names.
const picture = '.sheet.png';

/**
 * The JSON's text naming `to` where it named `from`: `to` is `from` numbered
 * before ".sheet.png", so only that number is written in, and every other
 * byte is tomel-export's.
 * @param {string} text the JSON
 * @param {string} from the picture's name as made
 * @param {string} to its name as saved
 */
export function namingPicture(text, from, to) {
    const stem = from.slice(0, -picture.length);
    if (!from.endsWith(picture) || !to.endsWith(picture) || !to.startsWith(stem)) {
        throw new Error(`${to} is not ${from} numbered`);
    }
    const number = to.slice(stem.length, -picture.length);
    let found = false;
    const named = text.replace(/^( {2}"image": ".*)(\.sheet\.png",)$/m, (_, before, after) => {
        found = true;
        return `${before}${number}${after}`;
    });
    if (!found) throw new Error('the sheet\'s JSON names no picture');
    return named;
}
