// Adding files and saving PSDs without a browser: the rows added and their
// labels, Clear while adding, and what each way of saving marks and tells.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { Adder } from '../../site/adding.mjs';
import { unreadable } from '../../site/queue.mjs';
import { Rows } from '../../site/rows.mjs';
import { convertedRows, saverOn } from './saver-stand-ins.mjs';

function adder() {
    const rows = new Rows(() => {}, true);
    const added = [];
    const failed = [];
    const faults = [];
    const add = new Adder(rows, { added: (entries) => added.push(entries), failed: (e) => failed.push(e), fault: (e) => faults.push(e) });
    return { rows, add, added, failed, faults };
}

test('rows read alike only where the page cannot tell the files apart', async () => {
    const { rows, add, added, failed, faults } = adder();
    const file = new Blob(['x']);
    await add.add([{ name: 'cat.edg', file }]);
    await add.add([
        { name: 'Cat.edg', file, folder: 'art/old' }, { name: 'dog.edg', file, folder: 'art' },
        { name: 'gone.edg', file: null }, { name: 'bird.edg', file, folder: 'art' }, { name: 'bird.edg', file, folder: 'art/new' },
    ]);
    assert.deepEqual([...rows.entries.values()].map((e) => e.label),
        ['cat.edg', 'art/old/Cat.edg', 'dog.edg', 'gone.edg', 'art/bird.edg', 'art/new/bird.edg']);
    assert.deepEqual(failed.map((e) => [e.name, e.state, e.line]), [['gone.edg', 'failed', unreadable]]);
    assert.equal(added.flat().length, 5);
    assert.deepEqual(faults, []);
});

test('Clear drops the files not yet added, and what is added next still comes', async () => {
    const { rows, add, added } = adder();
    const adding = add.add(Array.from({ length: 1000 }, (_, i) => ({ name: `${i}.edg`, file: new Blob() })));
    add.clear();
    await adding;
    assert.equal(rows.entries.size, 0);
    await add.add([{ name: 'next.edg', file: new Blob() }]);
    assert.deepEqual([...rows.entries.values()].map((e) => e.name), ['next.edg']);
    assert.equal(added.flat().length, 1);
});

// Rows converted to `outputs`, and a saver whose zip worker answers when told.
function saverWith(outputs) {
    const { rows, entries } = convertedRows(outputs.map((output) => ({ label: output.replace('.psd', '.edg'), output })));
    const zips = [];
    const { saver, told, downloads } = saverOn(rows, {
        zipper: {
            ask: (message, _transfer, { signal }) => new Promise((resolve, reject) => {
                zips.push({ names: message.files.map((f) => f.name), resolve: () => resolve(new Blob(['zip'])) });
                signal.addEventListener('abort', () => reject(signal.reason));
            }),
        },
    });
    return { rows, entries, told, downloads, zips, saver };
}
const settle = () => new Promise((resolve) => setTimeout(resolve, 5));

test('"Save all" zips every PSD under a name of its own, marks them saved, and Clear cancels it', async () => {
    const { entries, told, downloads, zips, saver } = saverWith(['cat.psd', 'Cat.psd']);
    const saving = saver.saveAll();
    await settle();
    assert.deepEqual(zips[0].names, ['cat.psd', 'Cat (2).psd']);
    zips[0].resolve();
    await saving;
    assert.deepEqual(downloads, ['tomel-psd.zip']);
    assert.deepEqual(told, ['tomel-psd.zip saved: 2 PSD files.']);
    assert.ok(entries.every((e) => e.saved));

    const cleared = saverWith(['a.psd']);
    const cancelled = cleared.saver.saveAll();
    await settle();
    cleared.saver.cancel();
    await cancelled;
    cleared.zips[0].resolve();
    assert.deepEqual(cleared.told, ['The zip being made was cancelled.']);
    assert.deepEqual(cleared.downloads, []);
    assert.equal(cleared.entries[0].saved, false);
    // Nothing is left zipping: the next "Save all" zips.
    const again = cleared.saver.saveAll();
    await settle();
    cleared.zips[1].resolve();
    await again;
    assert.deepEqual(cleared.downloads, ['tomel-psd.zip']);
});

test('a PSD that could not be written into the folder is told in its row until a later save writes it, and one saved stays saved', async () => {
    const { entries, told, saver } = saverWith(['a.psd', 'b.psd']);
    let refuse = 'b.psd';
    const written = [];
    const folder = {
        getFileHandle: async (name) => {
            if (name === refuse) throw new DOMException('no room', 'QuotaExceededError');
            return { createWritable: async () => new WritableStream({ write: () => written.push(name) }) };
        },
    };
    await saver.saveIntoFolder(async () => folder);
    assert.deepEqual(written, ['a.psd']);
    assert.deepEqual(entries.map((e) => [e.saved, e.saveFailure]),
        [[true, null], [false, 'b.psd could not be written into the folder: QuotaExceededError: no room']]);
    assert.equal(told.at(-1), '1 PSD file saved into the folder; 1 could not be written (see its row).');
    // Saved once, a PSD stays saved when a later write fails.
    refuse = 'a.psd';
    await saver.saveIntoFolder(async () => folder);
    assert.deepEqual(entries.map((e) => [e.saved, e.saveFailure]),
        [[true, 'a.psd could not be written into the folder: QuotaExceededError: no room'], [true, null]]);
    refuse = '';
    await saver.saveIntoFolder(async () => folder);
    assert.equal(told.at(-1), '2 PSD files saved into the folder.');
});
