// @ts-check
/**
 * The page's one way to make an element.
 * @param {string} tag
 * @param {string} [className]
 * @param {string} [text]
 */
export function element(tag, className, text) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
}

/**
 * An element the page's HTML has; its absence is a fault of the page's.
 * @param {string} id
 */
export function byId(id) {
    const e = document.getElementById(id);
    if (!e) throw new Error(`the page has no #${id}`);
    return e;
}
