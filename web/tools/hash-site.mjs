// Gives the site's files names that carry their content's hash
// (tomel.mjs -> tomel.3f9c2a1b.mjs), rewrites every reference to them, and
// writes the service worker's list of files to precache. A new version of
// the site so never mixes with an old one in a browser's caches: a changed
// file is a new name, and so is every file that refers to it.
// index.html, the manifest and the service worker keep their names: they are
// the site's fixed entry points.
// Usage: node hash-site.mjs SITE   (or import { hashSite })
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const fixed = new Set(['index.html', 'manifest.webmanifest', 'sw.js']);
const textual = /\.(mjs|js|html|css|webmanifest|svg)$/;

// A file's references to other files of the site: a name right after a
// quote, `./` or `(`, and right before a quote, `)`, `?` or `#`.
function referencePattern(name) {
    const escaped = name.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
    return new RegExp(`(?<=["'\`(/])${escaped}(?=["'\`)?#])`, 'g');
}

export function hashSite(site) {
    const names = fs.readdirSync(site).filter((name) => !fixed.has(name));
    const texts = new Map();
    for (const name of [...names, ...fixed]) {
        if (textual.test(name) && fs.existsSync(path.join(site, name))) texts.set(name, fs.readFileSync(path.join(site, name), 'utf8'));
    }
    const refers = (text, name) => referencePattern(name).test(text);
    const renamed = new Map();
    // Leaves first: a file is named once every file it refers to is.
    let pending = [...names];
    while (pending.length > 0) {
        const ready = pending.filter((name) => !texts.has(name) ||
            pending.every((other) => other === name || !refers(texts.get(name), other)));
        if (ready.length === 0) throw new Error(`files that refer to each other: ${pending.join(', ')}`);
        for (const name of ready) {
            let content = fs.readFileSync(path.join(site, name));
            if (texts.has(name)) {
                let text = texts.get(name);
                for (const [from, to] of renamed) text = text.replace(referencePattern(from), to);
                content = Buffer.from(text);
            }
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
        if (!texts.has(name)) continue;
        let text = texts.get(name);
        for (const [from, to] of renamed) text = text.replace(referencePattern(from), to);
        fs.writeFileSync(path.join(site, name), text);
    }
    // The service worker precaches the whole site; its version is the set of
    // names, so that any change makes a new service worker.
    const precache = ['./', 'index.html', 'manifest.webmanifest', ...renamed.values()].sort();
    const version = crypto.createHash('sha256').update(precache.join('\n')).digest('hex').slice(0, 12);
    const worker = path.join(site, 'sw.js');
    fs.writeFileSync(worker, fs.readFileSync(worker, 'utf8')
        .replace('const version = null;', `const version = ${JSON.stringify(version)};`)
        .replace('const precache = [];', `const precache = ${JSON.stringify(precache)};`));
    return { renamed, version };
}

if (process.argv[1] === fileURLToPath(import.meta.url)) hashSite(path.resolve(process.argv[2]));
