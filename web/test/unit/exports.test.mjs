// Exports saved from the page, without a browser: the settings the page
// takes are those tomel-export takes, a save's fate is in its row, Clear
// stops exporting, and files saved under a number still name each other.
// TOMEL_NATIVE names the native tomel (default: ../build-test/tomel);
// tomel-export is beside it.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { formats, limits, wordsFor } from '../../site/formats.mjs';
import { uniqueSets } from '../../site/rows.mjs';
import { settingOf } from '../../site/settings.mjs';
import { namingPicture } from '../../site/sheet-json.mjs';
import { convertedRows, saverOn } from './saver-stand-ins.mjs';

const root = fileURLToPath(new URL('../../..', import.meta.url));
const tomelExport = path.join(path.dirname(path.resolve(process.env.TOMEL_NATIVE ?? path.join(root, 'build-test/tomel'))), 'tomel-export');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-exports-'));
process.on('exit', () => fs.rmSync(work, { recursive: true, force: true }));

/** tomel-export's files of examples/pages.edg copied as `name`, by name; or its status. */
function made(words, name = 'pages.edg') {
    const dir = fs.mkdtempSync(path.join(work, 'x-'));
    fs.copyFileSync(path.join(root, 'examples/pages.edg'), path.join(dir, name));
    try {
        execFileSync(tomelExport, [...words, '--', name], { cwd: dir, stdio: 'ignore' });
    } catch (e) {
        return e.status;
    }
    return new Map(fs.readdirSync(dir).filter((n) => n !== name).map((n) => [n, fs.readFileSync(path.join(dir, n), 'latin1')]));
}

test('every setting the page takes, tomel-export takes in every format, and one past it neither', () => {
    const edges = [];
    for (const fps of limits.fps) for (const scale of limits.scale) for (const columns of limits.columns) edges.push({ fps, scale, columns });
    for (const { id } of formats.filter((f) => f.id !== 'psd')) {
        for (const settings of edges) {
            // A sheet of 65535 columns at scale 16 is past PNG's own limits: its width is not the setting's to check.
            if (id === 'sheet' && settings.columns === limits.columns[1] && settings.scale > 1) continue;
            const words = wordsFor(/** @type {any} */ (id), { format: id, ...settings });
            assert.ok(made(words) instanceof Map, `tomel-export refused ${words.join(' ')}`);
        }
    }
    for (const [name, [low, high]] of Object.entries(limits)) {
        assert.ok('value' in settingOf(name, high) && 'value' in settingOf(name, String(low)), name);
        assert.ok('refused' in settingOf(name, high + 1) && 'refused' in settingOf(name, low - 1), name);
    }
    assert.equal(made(['gif', '--fps', String(limits.fps[1] + 1)]), 2);
    assert.equal(made(['png', '--scale', String(limits.scale[1] + 1)]), 2);
});

test('a setting that is not a whole number in range is refused, and says so', () => {
    for (const typed of ['', 'text', 'NaN', ' 4 ', '4.5', '1e1', null, 12.5, 99]) {
        const setting = settingOf('fps', typed);
        assert.ok('refused' in setting, `${JSON.stringify(typed)} was taken`);
        assert.match(setting.refused, /^Frames a second go from 1 to 50, in whole numbers: .+ is not taken\.$/);
    }
    assert.deepEqual(settingOf('columns', '4'), { value: 4 });
    assert.deepEqual(settingOf('scale', 16), { value: 16 });
    assert.ok('refused' in settingOf('scale', 40));
});

test('a renamed sheet\'s JSON names its renamed picture, and every other byte is tomel-export\'s', () => {
    for (const name of ['art.edg', 'a "quoted" \\ name.edg', 'caf\u00e9.edg']) {
        const files = made(['sheet'], name);
        const stem = name.replace(/\.edg$/, '');
        const json = files.get(`${stem}.sheet.json`);
        const [[png, renamedPng]] = uniqueSets([[`${stem}.sheet.png`, `${stem}.sheet.json`], [`${stem}.sheet.png`, `${stem}.sheet.json`]])
            .slice(1).map((set) => [`${stem}.sheet.png`, set[0]]);
        assert.equal(renamedPng, `${stem} (2).sheet.png`);
        const renamed = namingPicture(Buffer.from(json, 'latin1').toString('utf8'), png, renamedPng);
        assert.equal(JSON.parse(renamed).meta.image, renamedPng);
        assert.equal(renamed.replace(' (2).sheet.png', '.sheet.png'), Buffer.from(json, 'latin1').toString('utf8'));
    }
});

test('files saved together are numbered a set at a time, and by the same number', () => {
    assert.deepEqual(uniqueSets([['cat.psd'], ['cat.sheet.png', 'cat.sheet.json'], ['Cat.sheet.png', 'Cat.sheet.json'],
        ['cat (2).sheet.json'], ['walk-1.png', 'walk-2.png'], ['walk-2.png']]),
    [['cat.psd'], ['cat.sheet.png', 'cat.sheet.json'], ['Cat (2).sheet.png', 'Cat (2).sheet.json'],
        ['cat (2) (2).sheet.json'], ['walk-1.png', 'walk-2.png'], ['walk-2 (2).png']]);
});

// Converted rows and a saver whose exporter answers as each test says.
function saverFor(labels, exporter) {
    const { rows, entries } = convertedRows(labels.map((label) => ({ label, output: label.replace(/.*\//, '').replace('.edg', '.psd') })));
    const zips = [];
    const { saver, told, downloads } = saverOn(rows, { exporter, zipper: { ask: async (message) => (zips.push(message.files), new Blob(['zip'])) } });
    return { rows, entries, told, downloads, zips, saver };
}
const exportOf = (entry, format) => {
    const stem = entry.name.replace('.edg', '');
    return { files: format === 'sheet' ? [`${stem}.sheet.png`, `${stem}.sheet.json`].map((name) => ({ name, blob: new Blob([name]) })) : [],
        notes: [], line: null };
};

test('"Save all" of two sheets of one name saves the second pair under one number, its JSON naming its own picture', async () => {
    const { zips, saver } = saverFor(['art/art.edg', 'old/art.edg'], async (entry, format) => exportOf(entry, format));
    await saver.saveAll(['sheet']);
    assert.deepEqual(zips[0].map(({ name, picture }) => [name, picture]), [
        ['art.sheet.png', undefined], ['art.sheet.json', undefined],
        ['art (2).sheet.png', undefined], ['art (2).sheet.json', { from: 'art.sheet.png', to: 'art (2).sheet.png' }]]);
});

test('a row\'s save shows while it is made, can be cancelled, and a failed one says why in its row until the next', async () => {
    let answer;
    const { entries: [big], told, downloads, saver } = saverFor(['big.edg'], (entry, format, signal) => new Promise((resolve, reject) => {
        answer = resolve;
        signal.addEventListener('abort', () => reject(signal.reason));
    }));
    const saving = saver.saveOne(big, 'gif');
    assert.equal(big.saving, 'gif');
    answer({ files: [], notes: [], line: 'Error : UnsupportedFormat' });
    await saving;
    assert.equal(big.saving, null);
    assert.equal(big.saveFailure, 'big.edg as GIF could not be saved: a GIF is at most 65535 pixels wide and tall, and this one ' +
        'would be larger at this scale: choose a lower scale (Error : UnsupportedFormat).');
    assert.equal(told.at(-1), big.saveFailure);
    assert.ok(!big.saved);

    const again = saver.saveOne(big, 'png');
    assert.equal(big.saveFailure, null, 'the next save clears the note');
    saver.cancelOne(big);
    answer({ files: [{ name: 'big-1.png', blob: new Blob() }], notes: [], line: null });
    await again;
    assert.deepEqual([big.saving, big.saved, downloads], [null, false, []]);
    assert.equal(told.at(-1), 'Saving big.edg as PNG pages was cancelled.');
});

test('Clear stops "Save all" between two rows\' exports, and a row\'s save', async () => {
    const asked = [];
    const { entries, told, zips, saver } = saverFor(['a.edg', 'b.edg', 'c.edg'], async (entry, format, signal) => {
        asked.push(entry.name);
        if (entry.name === 'a.edg') saver.cancel();
        return { ...exportOf(entry, format), aborted: signal.aborted };
    });
    await saver.saveAll(['sheet']);
    assert.deepEqual(asked, ['a.edg']);
    assert.deepEqual([zips, told], [[], ['The zip being made was cancelled.']]);
    let signal;
    const { entries: [row], saver: rowSaver } = saverFor(['d.edg'], (entry, format, s) => new Promise(() => (signal = s)));
    rowSaver.saveOne(row, 'gif');
    rowSaver.cancel();
    assert.ok(signal.aborted);
    assert.equal(entries.filter((e) => e.saved).length, 0);
});
