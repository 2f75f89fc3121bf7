// The site's build: names with hashes, references read from the code.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { hashSite } from '../../tools/hash-site.mjs';

function site(files) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-hash-'));
    for (const [name, text] of Object.entries(files)) fs.writeFileSync(path.join(dir, name), text);
    return dir;
}

test('references are rewritten, a comment or a plain string naming a file is not, a shared leaf is named once', () => {
    const dir = site({
        'index.html': '<html data-version=""><!-- app.mjs, the page --><script type="module" src="app.mjs"></script>',
        'sw.js': "import { x } from './leaf.mjs';\nconst version = null;\nconst precache = [];\n",
        // The comment and the string name worker.mjs, which names app.mjs:
        // read as text, the two would refer to each other.
        'app.mjs': "// worker.mjs reads the files\nimport { x } from './leaf.mjs';\nconst hint = 'worker.mjs';\n" +
            "new Worker(new URL('./worker.mjs', import.meta.url));\n",
        'worker.mjs': "// app.mjs hands the files over\nimport { x } from './leaf.mjs';\nexport { x };\n",
        'leaf.mjs': 'export const x = 1;\n',
    });
    const { renamed, version } = hashSite(dir);
    const read = (name) => fs.readFileSync(path.join(dir, renamed.get(name) ?? name), 'utf8');
    assert.equal(read('index.html'),
        `<html data-version="${version}"><!-- app.mjs, the page --><script type="module" src="${renamed.get('app.mjs')}"></script>`);
    const app = read('app.mjs');
    assert.match(app, /^\/\/ worker\.mjs reads the files\n/);
    assert.ok(app.includes("const hint = 'worker.mjs';"));
    assert.ok(app.includes(`new URL('./${renamed.get('worker.mjs')}', import.meta.url)`));
    assert.ok(read('worker.mjs').startsWith('// app.mjs hands the files over'));
    for (const name of ['app.mjs', 'worker.mjs', 'sw.js']) assert.ok(read(name).includes(`'./${renamed.get('leaf.mjs')}'`), name);
    assert.deepEqual(fs.readdirSync(dir).filter((name) => name.startsWith('leaf')), [renamed.get('leaf.mjs')]);
    assert.ok(read('sw.js').includes(`"${renamed.get('app.mjs')}"`), 'the service worker precaches the new names');
});

test('a change to index.html or the manifest alone makes a new service worker, which precaches both', () => {
    const files = {
        'index.html': '<html data-version=""><script type="module" src="app.mjs"></script>',
        'manifest.webmanifest': '{ "name": "Tomel" }',
        'sw.js': 'const version = null;\nconst precache = [];\n',
        'app.mjs': 'export {};\n',
    };
    const dir = site(files);
    const { version } = hashSite(dir);
    assert.ok(fs.readFileSync(path.join(dir, 'index.html'), 'utf8').startsWith(`<html data-version="${version}">`));
    const precached = JSON.parse(/const precache = (.*);/.exec(fs.readFileSync(path.join(dir, 'sw.js'), 'utf8'))[1]);
    for (const name of ['./', 'index.html', 'manifest.webmanifest']) assert.ok(precached.includes(name), name);
    for (const [name, changedText] of [['index.html', `<title>Tomel</title>${files['index.html']}`],
        ['manifest.webmanifest', '{ "name": "Tomel, next" }']]) {
        assert.notEqual(hashSite(site({ ...files, [name]: changedText })).version, version, name);
    }
    assert.equal(hashSite(site(files)).version, version);
});

test('a fixed file without its placeholder fails the build', () => {
    const files = { 'index.html': '<html data-version="">', 'sw.js': 'const version = null;\nconst precache = [];\n' };
    assert.doesNotThrow(() => hashSite(site(files)));
    assert.throws(() => hashSite(site({ ...files, 'sw.js': 'const version = null;\nconst precache = [ ];\n' })),
        /sw\.js: the build found no const precache = \[\]; to fill/);
    assert.throws(() => hashSite(site({ ...files, 'index.html': '<html>' })), /index\.html: the build found no data-version="" to fill/);
});

test('files that import each other are refused', () => {
    const dir = site({ 'a.mjs': "import './b.mjs';\n", 'b.mjs': "export * from './a.mjs';\n" });
    assert.throws(() => hashSite(dir), /files that refer to each other: a\.mjs, b\.mjs/);
});
