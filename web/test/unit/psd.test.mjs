// The preview's PSD reader on the examples as the native build converts
// them, and on files it must refuse.
// TOMEL_NATIVE names the native tomel (default: ../build-test/tomel).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { composePage, hiddenBy, readStructure } from '../../site/psd.mjs';

const root = path.resolve(import.meta.dirname, '../../..');
const native = path.resolve(process.env.TOMEL_NATIVE ?? path.join(root, 'build-test/tomel'));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-psd-'));
/** @type {Record<string, Buffer>} */
const psds = {};
for (const name of ['flat', 'layers', 'pages']) {
    fs.copyFileSync(path.join(root, 'examples', `${name}.edg`), path.join(work, `${name}.edg`));
    execFileSync(native, ['psd', `${name}.edg`], { cwd: work });
    psds[name] = fs.readFileSync(path.join(work, `${name}.psd`));
}
fs.rmSync(work, { recursive: true });
const structureOf = (name) => readStructure(new Blob([psds[name]]));

test('the pages, the tree and the names, walked once', async () => {
    const pages = await structureOf('pages');
    assert.equal(`${pages.width} x ${pages.height}`, '64 x 18');
    // Top-most page first; each page's pixel layers bottom-up.
    assert.deepEqual(pages.pages, [
        { name: 'Frame 1', layers: [9, 10] }, { name: 'Frame 2', layers: [5, 6] }, { name: 'Frame 3', layers: [1, 2] }]);
    assert.deepEqual(pages.tree[0], { name: 'Frame 1', index: 11, children: [{ name: 'Body', index: 10 }, { name: 'Shadow', index: 9 }] });
    // An Edge1 document: one page; names shown without their zero padding.
    const layers = await structureOf('layers');
    assert.deepEqual(layers.pages, [{ name: '', layers: [0, 1, 2] }]);
    assert.deepEqual(layers.tree.map((node) => node.name), ['Outline', 'Sketch (hidden)', 'Background']);
    // A flat document: no records, the composite only.
    assert.deepEqual((await structureOf('flat')).tree, []);
});

test('an unticked group leaves out every layer in it, and the picture changes', async () => {
    const pages = await structureOf('pages');
    const psd = new Blob([psds.pages]);
    const group = pages.tree[0];
    assert.deepEqual([...hiddenBy(pages.tree, new Set([group.index]))].sort((a, b) => a - b), [9, 10, 11]);
    assert.deepEqual([...hiddenBy(pages.tree, new Set([10]))], [10]);
    const page = pages.pages[0];
    const whole = await composePage(psd, pages, page);
    const body = await composePage(psd, pages, page, hiddenBy(pages.tree, new Set([9])));
    const none = await composePage(psd, pages, page, hiddenBy(pages.tree, new Set([group.index])));
    assert.notDeepEqual(body.data, whole.data);
    assert.ok(none.data.every((sample) => sample === 0), 'the group unticked, nothing is drawn');
});

test('a file that is not a raw 8-bit RGB PSD of version 1 is refused, with why', async () => {
    const altered = (at, bytes) => {
        const copy = Buffer.from(psds.layers);
        copy.set(bytes, at);
        return readStructure(new Blob([copy]));
    };
    await assert.rejects(altered(0, [0x38, 0x42, 0x50, 0x42]), { name: 'RefusedPsd', message: /signature/ });
    await assert.rejects(altered(4, [0, 2]), { name: 'RefusedPsd', message: /version 2/ });
    await assert.rejects(altered(22, [0, 16]), { name: 'RefusedPsd', message: /16 bits/ });
    await assert.rejects(altered(24, [0, 4]), { name: 'RefusedPsd', message: /colour mode 4/ });
    await assert.rejects(readStructure(new Blob([psds.layers.subarray(0, 20)])), { name: 'RefusedPsd' });
    // A layer's channel said to be RLE-compressed.
    const layers = await structureOf('layers');
    const copy = Buffer.from(psds.layers);
    copy.writeUInt16BE(1, layers.layers[0].data);
    await assert.rejects(composePage(new Blob([copy]), layers, layers.pages[0]), { name: 'RefusedPsd', message: /compressed/ });
});
