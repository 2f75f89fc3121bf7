// Gives the site's files names that carry their content's hash
// (tomel.mjs -> tomel.3f9c2a1b.mjs), rewrites every reference to them, and
// writes the service worker's list of files to precache. A new version of
// the site so never mixes with an old one in a browser's caches: a changed
// file is a new name, and so is every file that refers to it.
// index.html, the manifest and the service worker keep their names: they are
// the site's fixed entry points.
//
// References are read, not searched for in the text: in scripts (parsed as
// modules) the specifiers of import and export, import(), new URL(…,
// import.meta.url), new Worker(…) and serviceWorker.register(…); in HTML and
// SVG the src and href of tags outside comments; in CSS url() and @import
// outside comments; in the manifest its icons. A comment or any other string
// that names a file changes nothing.
// Usage: node hash-site.mjs SITE   (or import { hashSite, referencesIn })
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import * as acorn from 'acorn';

const fixed = new Set(['index.html', 'manifest.webmanifest', 'sw.js']);

/** @typedef {{ start: number, end: number, target: string }} Reference  the range of the text that names `target` */

// A reference's text, if it names a file of this folder: `name` or `./name`.
function sameFolder(value, start) {
    const match = /^(\.\/)?([^/?#:]+)$/.exec(value);
    return match ? { start: start + (match[1]?.length ?? 0), end: start + value.length, target: match[2] } : null;
}

const isImportMetaUrl = (node) => node?.type === 'MemberExpression' && node.object.type === 'MetaProperty' &&
    node.object.meta.name === 'import' && node.property.name === 'url';
const isString = (node) => node?.type === 'Literal' && typeof node.value === 'string';

function scriptReferences(text, file) {
    let tree;
    try {
        tree = acorn.parse(text, { ecmaVersion: 'latest', sourceType: 'module' });
    } catch (e) {
        throw new Error(`${file}: ${e.message}`);
    }
    const literals = [];
    const visit = (node) => {
        if (!node || typeof node.type !== 'string') return;
        switch (node.type) {
        case 'ImportDeclaration':
        case 'ExportNamedDeclaration':
        case 'ExportAllDeclaration':
        case 'ImportExpression':
            if (isString(node.source)) literals.push(node.source);
            break;
        case 'NewExpression': {
            const [first, second] = node.arguments;
            const callee = node.callee.type === 'Identifier' ? node.callee.name : '';
            if (callee === 'URL' && isString(first) && isImportMetaUrl(second)) literals.push(first);
            if ((callee === 'Worker' || callee === 'SharedWorker') && isString(first)) literals.push(first);
            break;
        }
        case 'CallExpression':
            if (node.callee.type === 'MemberExpression' && node.callee.property.name === 'register' &&
                isString(node.arguments[0])) literals.push(node.arguments[0]);
            break;
        default:
        }
        for (const value of Object.values(node)) {
            if (Array.isArray(value)) value.forEach(visit);
            else if (value && typeof value === 'object') visit(value);
        }
    };
    visit(tree);
    // The literal's text without its quotes: names need no escapes.
    return literals.map((literal) => sameFolder(text.slice(literal.start + 1, literal.end - 1), literal.start + 1)).filter(Boolean);
}

// Comments blanked out, so that offsets still hold.
const blank = (text, pattern) => text.replace(pattern, (comment) => comment.replace(/[^\n]/g, ' '));

function markupReferences(text) {
    const bare = blank(text, /<!--[\s\S]*?-->/g);
    const found = [];
    for (const tag of bare.matchAll(/<[A-Za-z][^>]*>/g)) {
        for (const attribute of tag[0].matchAll(/\s(?:src|href)\s*=\s*(?:"([^"]*)"|'([^']*)')/gi)) {
            const value = attribute[1] ?? attribute[2];
            const at = tag.index + attribute.index + attribute[0].length - 1 - value.length;
            found.push(sameFolder(value, at));
        }
    }
    return found.filter(Boolean);
}

function styleReferences(text) {
    const bare = blank(text, /\/\*[\s\S]*?\*\//g);
    const found = [];
    for (const match of bare.matchAll(/(?:url\(\s*|@import\s+)(["']?)([^"')\s]+)\1/g)) {
        found.push(sameFolder(match[2], match.index + match[0].length - match[1].length - match[2].length));
    }
    return found.filter(Boolean);
}

function manifestReferences(text) {
    const manifest = JSON.parse(text);
    const found = [];
    // Each icon's "src" string, found where it is in the text.
    const srcs = new Set((manifest.icons ?? []).map((icon) => icon.src));
    for (const match of text.matchAll(/"src"\s*:\s*"([^"\\]*)"/g)) {
        if (srcs.has(match[1])) found.push(sameFolder(match[1], match.index + match[0].length - 1 - match[1].length));
    }
    return found.filter(Boolean);
}

/**
 * The references of a file of the site to other files, by what the file is.
 * @param {string} name
 * @param {string} text
 * @returns {Reference[]}
 */
export function referencesIn(name, text) {
    if (/\.(mjs|js)$/.test(name)) return scriptReferences(text, name);
    if (/\.(html|svg)$/.test(name)) return markupReferences(text);
    if (/\.css$/.test(name)) return styleReferences(text);
    if (/\.webmanifest$/.test(name)) return manifestReferences(text);
    return [];
}

// The text with each reference to a renamed file given its new name.
function rewrite(text, references, renamed) {
    let out = text;
    for (const { start, end, target } of [...references].sort((a, b) => b.start - a.start)) {
        if (renamed.has(target)) out = out.slice(0, start) + renamed.get(target) + out.slice(end);
    }
    return out;
}

export function hashSite(site) {
    const all = fs.readdirSync(site);
    const names = all.filter((name) => !fixed.has(name));
    const texts = new Map();
    const references = new Map();
    for (const name of all) {
        const text = fs.readFileSync(path.join(site, name), 'utf8');
        const found = referencesIn(name, text).filter(({ target }) => all.includes(target) && target !== name);
        if (found.length > 0 || /\.(mjs|js|html|css|webmanifest|svg)$/.test(name)) texts.set(name, text);
        references.set(name, found);
    }
    const renamed = new Map();
    // Leaves first: a file is named once every file it refers to is.
    let pending = [...names];
    while (pending.length > 0) {
        const ready = pending.filter((name) => references.get(name).every(({ target }) => fixed.has(target) || renamed.has(target)));
        if (ready.length === 0) throw new Error(`files that refer to each other: ${pending.join(', ')}`);
        for (const name of ready) {
            const content = texts.has(name)
                ? Buffer.from(rewrite(texts.get(name), references.get(name), renamed))
                : fs.readFileSync(path.join(site, name));
            const hash = crypto.createHash('sha256').update(content).digest('hex').slice(0, 8);
            const extension = path.extname(name);
            const hashed = `${path.basename(name, extension)}.${hash}${extension}`;
            fs.rmSync(path.join(site, name));
            fs.writeFileSync(path.join(site, hashed), content);
            renamed.set(name, hashed);
        }
        pending = pending.filter((name) => !ready.includes(name));
    }
    for (const name of fixed) {
        if (texts.has(name)) fs.writeFileSync(path.join(site, name), rewrite(texts.get(name), references.get(name), renamed));
    }
    // The service worker precaches the whole site; its version is the hash of
    // every file's content, the fixed ones' included, so that any change to
    // the site (index.html or the manifest alone too) makes a new service worker.
    const precache = ['./', 'index.html', 'manifest.webmanifest', ...renamed.values()].sort();
    const contents = crypto.createHash('sha256');
    for (const name of precache.filter((name) => fs.existsSync(path.join(site, name)) && name !== './')) {
        contents.update(`${name}\n`).update(fs.readFileSync(path.join(site, name)));
    }
    const version = contents.digest('hex').slice(0, 12);
    // The page says which version it runs, so that its files stay cached
    // while it is open. Written after the hash, which saw it empty.
    fill(site, 'index.html', [['data-version=""', `data-version="${version}"`]]);
    fill(site, 'sw.js', [['const version = null;', `const version = ${JSON.stringify(version)};`],
        ['const precache = [];', `const precache = ${JSON.stringify(precache)};`]]);
    return { renamed, version };
}

// Fills a fixed file's placeholders, where the site has the file: a
// placeholder not found would ship a page or a service worker without its
// version, so it fails the build.
function fill(site, name, replacements) {
    const file = path.join(site, name);
    if (!fs.existsSync(file)) return;
    let text = fs.readFileSync(file, 'utf8');
    for (const [placeholder, value] of replacements) {
        if (!text.includes(placeholder)) throw new Error(`${name}: the build found no ${placeholder} to fill`);
        text = text.replace(placeholder, value);
    }
    fs.writeFileSync(file, text);
}

if (process.argv[1] === fileURLToPath(import.meta.url)) hashSite(path.resolve(process.argv[2]));
