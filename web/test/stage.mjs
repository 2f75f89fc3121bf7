// The web stage: the built site, served on 127.0.0.1 with a Content-Security-
// Policy that allows only its own origin, with ?strict (a row change the page
// never makes throws), driven in Debian's Chromium and Firefox ESR, and in
// WebKitGTK's MiniBrowser through WebDriver. Each group prints one line; any
// failed check fails the stage. The checks hold on a busy machine: they
// count what the page does, never how fast this machine is today.
//  - documents (every browser): every given document in one batch; each PSD
//    in the "Save all" zip is the native build's output, byte for byte, and
//    each error row shows the native build's line beside its file's name;
//  - exports (every browser): a row saved in each of tomel-export's formats,
//    and a "Save all" of three, byte for byte as tomel-export makes them;
//  - saves (every browser): a row's save, "Save all" and a save asked while
//    the next worker starts, all as anim is cancelled under them, each as
//    tomel-export makes it; a second sheet of one name names its own picture;
//  - settings (every browser): as a first-time user meets them, one GIF;
//  - frames (Chromium and Firefox; WebKit where it has ImageDecoder): every
//    frame of tomel-export's GIF and APNG as the browser composites it is
//    its page;
//  - animation: the benchmark's anim converts with its progress bar moving,
//    and the PSD saved from its row is the native build's;
//  - keyboard: the picker, a conversion, a saved row and the preview, by
//    keys alone, and what the live region says;
//  - failures (WebKit too, where WebDriver can make them): a file removed
//    after it was picked, a folder given as a file, and a site without its
//    module: failed rows and the top message, and the queue goes on; a
//    dropped folder adds the .edg files in it and below;
//  - big: while the benchmark's big converts, and while it is zipped with
//    anim and mid (a second click zipping nothing more), none of the page's
//    own scripts runs long (thread time, from a trace), no PSD is copied on
//    its thread, and no frame gap is a freeze; big's preview at once, and
//    anim converted by a new worker;
//  - pages, app: each preview page against psd-tools; installable, files
//    launched (one gone), offline; updates from a caching server, two tabs
//    each choosing, offline with the HTTP cache cleared;
//  - network (every browser): nothing asked for but the site's own files.
// Usage: node stage.mjs SITE NATIVE_TOMEL SCREENSHOT BENCH_DIR EDG...
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { unzipSync } from 'fflate';
import { hashSite } from '../tools/hash-site.mjs';
import { WebKitSession } from './webdriver.mjs';
import { convert, longestFrameGap, mainThreadWork, openPage, rowsOf, serveSite } from './harness.mjs';

const [site, nativeTomel, screenshot, bench, ...documents] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-web-'));
// The page's own scripts, in its thread's time, and a gap between frames
// long enough to be a freeze, in ms.
const longestTask = 50;
// Posting a PSD's bytes without moving them copies them on the page's
// thread: about 25 ms for mid's 45 MB. Messages of a few fields take
// microseconds.
const longestCopy = 5;
const freeze = 1000;
const pagePictures = fileURLToPath(new URL('../../tests/web/page_pictures.py', import.meta.url));
// Files of the site's versions the stage makes beside the built one.
const otherVersions = new Set();
let failures = 0;
function check(ok, what) {
    if (!ok) {
        failures += 1;
        console.log(`FAILED: ${what}`);
    }
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// What the native build makes of a file: its PSD, or its error line.
function native(file) {
    const dir = fs.mkdtempSync(path.join(work, 'native-'));
    fs.copyFileSync(file, path.join(dir, path.basename(file)));
    let line;
    try {
        line = execFileSync(nativeTomel, ['psd', path.basename(file)], { cwd: dir, encoding: 'latin1' });
    } catch (e) {
        line = e.stdout;
    }
    line = line.trimEnd();
    const match = /^convert psd: .* => (.*)$/.exec(line);
    return match ? { output: match[1], psd: fs.readFileSync(path.join(dir, match[1])) } : { line };
}

// What tomel-export makes of a file with `words` (its format and options):
// each file it writes, by name.
const nativeExportTool = path.join(path.dirname(nativeTomel), 'tomel-export');
function nativeExport(file, words) {
    const dir = fs.mkdtempSync(path.join(work, 'export-'));
    fs.copyFileSync(file, path.join(dir, path.basename(file)));
    execFileSync(nativeExportTool, [...words, path.basename(file)], { cwd: dir, stdio: 'ignore' });
    return new Map(fs.readdirSync(dir).filter((name) => name !== path.basename(file))
        .map((name) => [name, fs.readFileSync(path.join(dir, name))]));
}
const unzipped = (zip) => new Map(Object.entries(unzipSync(new Uint8Array(zip))).map(([name, bytes]) => [name, Buffer.from(bytes)]));

// The settings the exports group sets on the page, and what the command
// line is given for each format with them: written out here, not taken from
// the page's code.
const exportSettings = { fps: 12, scale: 2, columns: 2 };
const exportWords = {
    aseprite: ['aseprite', '--fps', '12'],
    gif: ['gif', '--fps', '12', '--scale', '2'],
    apng: ['apng', '--fps', '12', '--scale', '2'],
    png: ['png', '--scale', '2'],
    sheet: ['sheet', '--fps', '12', '--scale', '2', '--columns', '2'],
    palette: ['palette'],
};

/**
 * Each format saved from a row, and a "Save all" of three formats, byte for
 * byte as tomel-export makes them with the same settings. `driver`: how this
 * browser is driven (run a function in the page, click, convert files, the
 * bytes of a file saved).
 */
async function exportsSaved(name, driver) {
    const [pages, layers] = ['pages.edg', 'layers.edg'].map((n) => documents.find((file) => path.basename(file) === n));
    await driver.run((settings) => {
        for (const [id, value] of Object.entries(settings)) {
            const input = document.getElementById(id);
            input.value = String(value);
            input.dispatchEvent(new Event('change'));
        }
    }, exportSettings);
    await driver.convert([pages, layers]);
    // Every text of the live region: it holds each for a while, so a text
    // is looked for among all it told.
    await driver.run(() => {
        window.told = [];
        new MutationObserver(() => window.told.push(document.getElementById('summary').textContent))
            .observe(document.getElementById('summary'), { childList: true, characterData: true, subtree: true });
    });
    /** Each file of `want` must be in `got`, byte for byte, and nothing else. */
    const same = (what, want, got) => {
        const names = [...got.keys()].sort().join(' ');
        check(names === [...want.keys()].sort().join(' '), `${name}: ${what} holds ${names}, not ${[...want.keys()].sort().join(' ')}`);
        for (const [file, bytes] of want) check(got.has(file) && Buffer.compare(got.get(file), bytes) === 0, `${name}: ${what}: ${file} differs from tomel-export's`);
    };
    for (const [format, words] of Object.entries(exportWords)) {
        const want = nativeExport(pages, words);
        await driver.run((chosen) => {
            document.querySelector('#files li[data-name="pages.edg"] button.format')?.click();
        const select = document.querySelector('#files li[data-name="pages.edg"] select.format');
            select.value = chosen;
            select.dispatchEvent(new Event('change'));
        }, format);
        await driver.click('#files li[data-name="pages.edg"] .save');
        const one = want.size === 1 ? [...want.keys()][0] : null;
        const got = one ? new Map([[one, await driver.saved(one)]]) : unzipped(await driver.saved(`pages-${format}.zip`));
        same(`pages.edg as ${format}`, want, got);
    }
    // The GIF looked at before it is saved: the browser plays the file
    // itself, as wide as the GIF says.
    await driver.run(() => {
        document.querySelector('#files li[data-name="pages.edg"] button.format')?.click();
        const select = document.querySelector('#files li[data-name="pages.edg"] select.format');
        select.value = 'gif';
        select.dispatchEvent(new Event('change'));
    });
    await driver.click('#files li[data-name="pages.edg"] .show');
    await driver.until(() => document.getElementById('animation').naturalWidth > 0, 'the GIF in the preview', null);
    const shown = await driver.run(() => ({
        title: document.getElementById('preview-title').textContent,
        width: document.getElementById('animation').naturalWidth,
        label: document.querySelector('#files li[data-name="pages.edg"] .show').getAttribute('aria-label'),
    }));
    const gifWidth = nativeExport(pages, exportWords.gif).get('pages.gif').readUInt16LE(6);
    check(shown.title === 'pages.edg as GIF' && shown.width === gifWidth && shown.label === 'Preview pages.edg as GIF',
        `${name}: the GIF's preview: ${JSON.stringify(shown)}, the GIF ${gifWidth} wide`);
    await driver.click('#preview-close');
    // "Save all" of the PSD, the GIF and the palette, every row's.
    await driver.run(() => {
        for (const box of document.querySelectorAll('#save-all-formats input')) box.checked = ['psd', 'gif', 'palette'].includes(box.value);
    });
    await driver.click('#save-all');
    const want = new Map();
    for (const file of [pages, layers]) {
        const { output, psd } = native(file);
        want.set(output, psd);
        for (const words of [exportWords.gif, exportWords.palette]) for (const [n, bytes] of nativeExport(file, words)) want.set(n, bytes);
    }
    same('the zip of three formats', want, unzipped(await driver.saved('tomel.zip')));
    await driver.run(() => {
        for (const box of document.querySelectorAll('#save-all-formats input')) box.checked = box.value === 'psd';
    });
    const wanted = ['pages.gif saved.', 'pages-png.zip saved: pages-1.png, pages-2.png, pages-3.png.',
        'tomel.zip saved: 2 PSD files, 2 GIF files, 8 Palette files.'];
    await driver.until((texts) => texts.every((text) => window.told.includes(text)), 'what each save made to be told', wanted);
    const told = await driver.run(() => window.told.filter((text) => text !== ''));
    console.log(`${name} exports: pages.edg in ${Object.keys(exportWords).join(', ')} from its row, and a zip of PSD, GIF and ` +
        `palette of two files, each as tomel-export makes it; told: ${told.join(' | ')}`);
}

/**
 * Every frame of tomel-export's GIF and APNG of pages.edg and the benchmark's
 * pixel-art animations (frames that store only what changed, pixels that
 * turn transparent, pages alike, an opaque page between transparent ones)
 * as the browser's own decoder composites
 * it (WebCodecs' ImageDecoder), against the page's PNG decoded alike.
 * Returns false where the browser has no ImageDecoder.
 */
async function framesShown(name, run) {
    const files = [documents.find((file) => path.basename(file) === 'pages.edg'),
        ...['sprite.edg', 'walker.edg', 'portrait.edg', 'bomb.edg'].map((file) => path.join(bench, file))];
    const animations = files.map((file) => {
        const pngs = nativeExport(file, ['png']);
        const pages = [...pngs.keys()].sort().map((n) => pngs.get(n).toString('base64'));
        const [gif, apng] = ['gif', 'apng'].map((format) => [...nativeExport(file, [format]).values()][0].toString('base64'));
        return { name: path.basename(file), pages, gif, apng };
    });
    const seen = await run(async (all) => {
        if (typeof ImageDecoder === 'undefined') return null;
        const bytes = (base64) => Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
        // The frame's RGBA, transparent pixels all alike.
        const frame = async (data, type, frameIndex) => {
            const decoder = new ImageDecoder({ data, type });
            const { image } = await decoder.decode({ frameIndex });
            const canvas = new OffscreenCanvas(image.displayWidth, image.displayHeight);
            const context = canvas.getContext('2d');
            context.drawImage(image, 0, 0);
            image.close();
            await decoder.tracks.ready;
            const count = decoder.tracks.selectedTrack.frameCount;
            decoder.close();
            const rgba = context.getImageData(0, 0, canvas.width, canvas.height).data;
            for (let i = 0; i < rgba.length; i += 4) if (rgba[i + 3] === 0) rgba.fill(0, i, i + 3);
            return { rgba, count };
        };
        const wrong = [];
        for (const { name: file, pages, gif, apng } of all) {
            for (const [format, data, type] of [['gif', gif, 'image/gif'], ['apng', apng, 'image/png']]) {
                for (let i = 0; i < pages.length; i++) {
                    const want = (await frame(bytes(pages[i]), 'image/png', 0)).rgba;
                    const got = await frame(bytes(data), type, i);
                    let differ = 0;
                    for (let j = 0; j < want.length; j++) differ += want[j] !== got.rgba[j] ? 1 : 0;
                    if (got.count !== pages.length || differ > 0) {
                        wrong.push(`${file} as ${format}, frame ${i + 1} of ${got.count}: ${differ} bytes differ`);
                    }
                }
            }
        }
        return wrong;
    }, animations);
    if (seen === null) return false;
    check(seen.length === 0, `${name}: frames its decoder shows differ from the pages: ${seen.slice(0, 5).join('; ')}`);
    const frames = animations.reduce((sum, { pages }) => sum + pages.length, 0);
    console.log(`${name} frames: ${frames} frames of ${animations.map((a) => a.name).join(', ')} as GIF and APNG, each its page`);
    return true;
}

/**
 * Saves that outlive the converting worker, and a first-time user's one
 * GIF. All in one task of the page while anim converts: pages.edg saved as
 * Aseprite, a "Save all" of PSD, GIF and sheet, anim cancelled (its worker
 * replaced under those asks), and flat.edg saved as a GIF while the next
 * worker starts. Every file must come, as tomel-export makes it; the second
 * pages.edg's sheet, saved under a number, names its own picture.
 */
async function savesOutlive(name, driver) {
    const file = (n) => documents.find((f) => path.basename(f) === n);
    const [flat, pages] = [file('flat.edg'), file('pages.edg')];
    const other = path.join(work, `other-${name}`);
    fs.mkdirSync(other);
    fs.copyFileSync(pages, path.join(other, 'Pages.edg'));
    await driver.convert([flat, pages, path.join(other, 'Pages.edg')]);
    await driver.run(() => {
        window.stage?.saved.clear();
        window.told = [];
        new MutationObserver(() => window.told.push(document.getElementById('summary').textContent))
            .observe(document.getElementById('summary'), { childList: true, characterData: true, subtree: true });
        const choose = (row, format) => {
            row.querySelector('button.format')?.click();
            const menu = row.querySelector('select.format');
            menu.value = format;
            menu.dispatchEvent(new Event('change'));
        };
        new MutationObserver((_, observer) => {
            const anim = document.querySelector('#files li[data-name="anim.edg"][data-state="converting"]');
            if (!anim) return;
            observer.disconnect();
            const [flatRow, pagesRow] = document.querySelectorAll('#files li');
            choose(pagesRow, 'aseprite');
            pagesRow.querySelector('.save').click();
            window.savingShown = `${pagesRow.querySelector('.saving progress')?.getAttribute('aria-label')}, ` +
                `${pagesRow.querySelector('.saving .cancel-save')?.getAttribute('aria-label')}`;
            for (const box of document.querySelectorAll('#save-all-formats input')) box.checked = ['psd', 'gif', 'sheet'].includes(box.value);
            document.getElementById('save-all').click();
            anim.querySelector('.cancel').click();
            choose(flatRow, 'gif');
            flatRow.querySelector('.save').click();
            window.savedDuring = true;
        }).observe(document.getElementById('files'), { subtree: true, attributes: true, attributeFilter: ['data-state'] });
    });
    await driver.add([path.join(bench, 'anim.edg')]);
    await driver.until(() => window.savedDuring, 'anim to convert');
    const one = (f, words, n) => nativeExport(f, words).get(n);
    const aseprite = await driver.saved('pages.aseprite');
    check(Buffer.compare(aseprite, one(pages, ['aseprite', ...exportWords.aseprite.slice(1)], 'pages.aseprite')) === 0,
        `${name}: pages.aseprite saved as its worker was replaced differs from tomel-export's`);
    const gif = await driver.saved('flat.gif');
    check(Buffer.compare(gif, one(flat, exportWords.gif, 'flat.gif')) === 0, `${name}: flat.gif asked while a worker started differs`);
    const zip = unzipped(await driver.saved('tomel.zip'));
    const want = new Map();
    for (const [f, as] of [[flat, 'flat'], [pages, 'pages'], [path.join(other, 'Pages.edg'), 'Pages (2)']]) {
        want.set(`${as}.psd`, native(f).psd);
        for (const words of [exportWords.gif, exportWords.sheet]) {
            for (const [n, bytes] of nativeExport(f, words)) {
                const renamed = n.replace(/^[^.]+/, as);
                // Saved under a number, the JSON names the picture as saved.
                want.set(renamed, n.endsWith('.sheet.json') && renamed !== n
                    ? Buffer.from(bytes.toString('utf8').replace('"image": "Pages.sheet.png"', '"image": "Pages (2).sheet.png"')) : bytes);
            }
        }
    }
    const names = [...zip.keys()].sort().join(' ');
    check(names === [...want.keys()].sort().join(' '), `${name}: the zip made as its worker was replaced holds ${names}`);
    for (const [n, bytes] of want) check(zip.has(n) && Buffer.compare(zip.get(n), bytes) === 0, `${name}: the zip's ${n} differs`);
    const image = JSON.parse(zip.get('Pages (2).sheet.json')?.toString() ?? '{}').meta?.image;
    check(image === 'Pages (2).sheet.png', `${name}: Pages (2).sheet.json names ${image}`);
    await driver.run(() => {
        for (const box of document.querySelectorAll('#save-all-formats input')) box.checked = box.value === 'psd';
    });
    const rows = await driver.run(() => [...document.querySelectorAll('#files li')].map((li) => ({ ...li.dataset })));
    check(rows.map((row) => row.state).join() === 'converted,converted,converted,cancelled', `${name}: rows ${JSON.stringify(rows)}`);
    const savingShown = await driver.run(() => window.savingShown);
    check(savingShown === 'Saving pages.edg as Aseprite, Cancel saving pages.edg as Aseprite', `${name}: a row's save showed ${savingShown}`);
    const left = await driver.run(() => document.querySelectorAll('#files .saving, #files .save-failed').length);
    check(left === 0, `${name}: ${left} rows still show a save or a failure after every save came`);
    console.log(`${name} saves: pages.aseprite, a zip of PSD, GIF and sheet, and flat.gif asked as anim was cancelled and a new ` +
        'worker started: each as tomel-export makes it, the second sheet naming its own picture');
}

/**
 * The settings as a first-time user meets them: reachable before any file,
 * a value out of range refused beside its field, one format chosen for
 * every row (its text and Save say it, "Save all" saves it), and the GIF's
 * preview with its own rate, made again at a new one, and zoomed.
 */
async function settingsMet(name, driver) {
    await driver.run(() => {
        window.stage?.saved.clear();
        document.getElementById('clear').click();
    });
    const before = await driver.run(() => ['format', 'export-settings'].map((id) => document.getElementById(id).getClientRects().length > 0));
    check(before.every(Boolean), `${name}: the format and settings shown before any file: ${before}`);
    const typed = async (id, value) => driver.run(([id, value]) => {
        document.getElementById('export-settings').open = true;
        const input = document.getElementById(id);
        input.value = value;
        input.dispatchEvent(new Event('change'));
        return { value: input.value, invalid: input.getAttribute('aria-invalid'), said: document.getElementById(`${id}-refused`).textContent,
            stored: JSON.parse(localStorage.getItem('tomel-settings') ?? '{}')[id] };
    }, [id, value]);
    const fps = await typed('fps', '99');
    check(fps.invalid === 'true' && fps.said === 'Frames a second go from 1 to 50, in whole numbers: 99 is not taken.' &&
        fps.stored === exportSettings.fps && fps.value === '99', `${name}: fps 99 typed: ${JSON.stringify(fps)}`);
    const columns = await typed('columns', '');
    check(columns.invalid === 'true' && columns.said.endsWith('nothing is not taken.') && columns.stored === exportSettings.columns,
        `${name}: no columns typed: ${JSON.stringify(columns)}`);
    const taken = await typed('fps', String(exportSettings.fps));
    check(taken.invalid === null && taken.said === '', `${name}: fps ${exportSettings.fps} typed after: ${JSON.stringify(taken)}`);
    await typed('columns', String(exportSettings.columns));
    const format = (id) => driver.run((value) => {
        const menu = document.getElementById('format');
        menu.value = value;
        menu.dispatchEvent(new Event('change'));
    }, id);
    await format('gif');
    const pages = documents.find((file) => path.basename(file) === 'pages.edg');
    await driver.convert([pages]);
    const row = await driver.run(() => {
        const li = document.querySelector('#files li');
        return { text: li.querySelector('.result').textContent, save: li.querySelector('.save').textContent,
            label: li.querySelector('.save').getAttribute('aria-label'),
            all: [...document.querySelectorAll('#save-all-formats input:checked')].map((box) => box.value).join() };
    });
    check(row.text === 'pages.edg → GIF' && row.save === 'Save GIF' && row.label === 'Save pages.edg as GIF' && row.all === 'gif',
        `${name}: a row with GIF chosen for every file: ${JSON.stringify(row)}`);
    await driver.click('#files li .save');
    check(Buffer.compare(await driver.saved('pages.gif'), nativeExport(pages, exportWords.gif).get('pages.gif')) === 0,
        `${name}: pages.gif saved with GIF chosen for every file differs`);
    // The GIF's preview: its rate shown, and a new rate makes it again.
    await driver.click('#files li .show');
    await driver.until((fps) => document.getElementById('preview').dataset.shownRate === String(fps), 'the GIF in the preview',
        exportSettings.fps);
    const rateShown = await driver.run(() => document.getElementById('rate').getClientRects().length > 0);
    const width = () => driver.run(() => document.getElementById('animation').getBoundingClientRect().width);
    const fitted = await width();
    await driver.click('#zoom-in');
    const zoomed = await width();
    await driver.run(() => {
        const rate = document.getElementById('rate');
        rate.value = '5';
        rate.dispatchEvent(new Event('change'));
    });
    const remade = await driver.until(() => document.getElementById('preview').dataset.shownRate === '5', 'the GIF made again');
    check(rateShown && zoomed > fitted && remade, `${name}: the GIF's preview: its rate shown ${rateShown}, ${fitted} px wide, ` +
        `${zoomed} px zoomed in, made again at 5 a second ${remade}`);
    await driver.click('#preview-close');
    await typed('fps', String(exportSettings.fps));
    await format('psd');
    await driver.run(() => {
        document.getElementById('export-settings').open = false;
        document.getElementById('clear').click();
    });
    console.log(`${name} settings: before any file, fps 99 and no columns refused beside their fields, GIF chosen for every ` +
        'file: its row, its Save and "Save all" say it, pages.gif as tomel-export makes it, its preview at a new rate and zoomed');
}

async function downloaded(downloads, name) {
    const file = path.join(downloads, name);
    const partial = (f) => fs.readdirSync(downloads).some((n) => n.startsWith(path.basename(f)) && n !== path.basename(f));
    for (let i = 0; i < 1200 && !(fs.existsSync(file) && !partial(file)); ++i) await sleep(100);
    await sleep(200);
    const bytes = fs.readFileSync(file);
    fs.rmSync(file);
    return bytes;
}


// Every request of every target, and every path served, is one of the site's.
function checkNetwork(name, origins, requested, served) {
    const siteFiles = new Set(['/', ...fs.readdirSync(site).map((f) => '/' + f), ...[...otherVersions].map((f) => '/' + f)]);
    for (const url of requested) {
        const ours = origins.some((origin) => url.startsWith(origin + '/') || url.startsWith('blob:' + origin + '/'));
        // A data: URL is the browser's own (a font of its controls), not the network.
        check((ours && (url.startsWith('blob:') || siteFiles.has(new URL(url).pathname))) || url.startsWith('data:'),
            `${name}: a request beyond the site: ${url}`);
    }
    for (const pathname of served) check(siteFiles.has(pathname), `${name}: asked for ${pathname}, not one of the site's files`);
    console.log(`${name} network: ${requested.length} requests, ${served.length} served, all of the site's own files`);
}

// Every row is the native build's outcome, and the zip of "Save all" holds
// every PSD, byte for byte.
function checkDocuments(name, rows, zip) {
    const expected = documents.map((file) => ({ name: path.basename(file), ...native(file) }));
    let converted = 0;
    expected.forEach((want, i) => {
        const row = rows[i] ?? {};
        check(row.name === want.name, `${name}: row ${i} is ${row.name}, not ${want.name}`);
        if (want.psd) {
            converted += 1;
            check(row.state === 'converted' && row.output === want.output, `${name}: ${want.name}: ${row.state} ${row.line ?? ''}`);
        } else {
            check(row.state === 'failed' && row.line === want.line, `${name}: ${want.name}: "${row.line}", natively "${want.line}"`);
        }
    });
    const zipped = unzipSync(new Uint8Array(zip));
    check(Object.keys(zipped).length === converted, `${name}: the zip holds ${Object.keys(zipped).length} of ${converted} PSDs`);
    for (const want of expected.filter((e) => e.psd)) {
        check(zipped[want.output] && Buffer.compare(Buffer.from(zipped[want.output]), want.psd) === 0,
            `${name}: ${want.output} in the zip differs from the native build's`);
    }
    console.log(`${name} documents: ${converted} converted, ${expected.length - converted} failed, as the native build`);
}

// Results not saved are said to be held by this tab alone, until saved:
// a browser asks before leaving only a tab its user clicked in.
async function documentsBatch(name, page, downloads) {
    const rows = await convert(page, documents);
    const converted = rows.filter((row) => row.state === 'converted').length;
    const notice = `${converted} results are not saved yet: only this tab holds them, and closing or reloading it loses them.`;
    const told = await page.waitForFunction((want) => document.getElementById('unsaved').textContent === want &&
        !document.getElementById('unsaved').hidden, { timeout: 10000 }, notice).then(() => true, () => false);
    check(told, `${name}: results not saved: "${await page.$eval('#unsaved', (e) => (e.hidden ? '(hidden)' : e.textContent))}"`);
    await page.click('#save-all');
    checkDocuments(name, rows, await downloaded(downloads, 'tomel-psd.zip'));
    const gone = await page.waitForFunction(() => document.getElementById('unsaved').hidden, { timeout: 10000 }).then(() => true, () => false);
    check(gone, `${name}: every result saved, and the notice stays`);
}

async function largeAnimation(page, downloads) {
    const large = path.join(bench, 'anim.edg');
    await page.evaluate(() => document.getElementById('clear').click());
    // Every step the row's progress bar takes, however busy the machine.
    await page.evaluate(() => {
        window.progressSeen = new Set();
        new MutationObserver((records) => {
            for (const { target } of records) {
                const value = Number(target.getAttribute('value'));
                if (value > 0 && value < 1) window.progressSeen.add(value);
            }
        }).observe(document.getElementById('files'), { subtree: true, attributes: true, attributeFilter: ['value'] });
    });
    await (await page.$('#pick')).uploadFile(large);
    await page.waitForSelector('#files li[data-finished]', { timeout: 600000 });
    const seen = new Set(await page.evaluate(() => [...window.progressSeen]));
    const want = native(large);
    const [row] = await rowsOf(page);
    check(row.state === 'converted' && seen.size >= 2, `anim.edg: ${row.state}, ${seen.size} progress steps seen`);
    await page.click('#files li .save');
    check(Buffer.compare(await downloaded(downloads, want.output), want.psd) === 0, `${want.output} differs from the native build's`);
    console.log(`anim.edg: converted, ${seen.size} progress steps seen, byte-identical`);
}

// The file chooser a key opens. The browser intercepts choosers only once it
// has been asked to, which the key could overtake.
async function chooserBy(page, key) {
    for (let attempt = 1; ; ++attempt) {
        const chooser = page.waitForFileChooser({ timeout: 15000 });
        await sleep(300);
        await key();
        try {
            return await chooser;
        } catch (e) {
            // Overtaken on a busy machine: the key opened a chooser nobody
            // caught, which a headless browser closes. Again.
            if (attempt === 3) throw e;
        }
    }
}

async function keyboardPass(page, downloads, dialogs) {
    const keys = [];
    const focused = () => page.evaluate(() => document.activeElement.getAttribute('aria-label') ?? document.activeElement.id);
    async function press(key, what) {
        await page.keyboard.press(key);
        keys.push(`${key}: ${what}`);
    }
    await page.reload({ waitUntil: 'load' });
    // Every text of the live region, and when it came.
    await page.evaluate(() => {
        window.announced = [];
        new MutationObserver(() => window.announced.push({ at: performance.now(), text: document.getElementById('summary').textContent }))
            .observe(document.getElementById('summary'), { childList: true, characterData: true, subtree: true });
    });
    check(await page.$eval('#actions', (bar) => getComputedStyle(bar).display === 'none'), 'the action bar shows on an empty page');
    await press('Tab', 'focus on the picker');
    check((await focused()) === 'pick-button', `the first Tab stop is ${await focused()}, not the picker`);
    const flat = documents.find((file) => path.basename(file) === 'flat.edg');
    const chooser = await chooserBy(page, () => press('Enter', 'the file chooser opens'));
    await chooser.accept([flat]);
    await page.waitForSelector('#files li[data-finished]');
    await page.waitForFunction(() => document.getElementById('summary').textContent !== '');
    const said = await page.evaluate(() => document.getElementById('summary').textContent);
    check(said === 'flat.edg converted to flat.psd. 1 converted, 0 failed.', `the live region says "${said}"`);
    for (let i = 0; i < 8 && (await focused()) !== 'Preview flat.psd'; ++i) {
        await page.keyboard.press('Tab');
        keys.push(`Tab: to "${await focused()}"`);
    }
    await press('Enter', 'the preview opens, focus on its title');
    await page.waitForSelector('#preview:not([hidden])');
    await page.waitForFunction(() => document.activeElement.id === 'preview-title');
    const label = await page.$eval('#composite', (canvas) => canvas.getAttribute('aria-label'));
    check(label === 'flat.psd: 16 × 16 pixels, 1 page, the composite only', `the canvas is labelled "${label}"`);
    await press('Escape', 'the preview closes, focus back on "Preview flat.psd"');
    check(await page.$eval('#preview', (section) => section.hidden), 'Escape left the preview open');
    check((await focused()) === 'Preview flat.psd', `after the preview, focus is on ${await focused()}`);
    await page.keyboard.press('Tab');
    keys.push(`Tab: to "${await focused()}"`);
    await press('Enter', 'flat.psd is saved');
    check(Buffer.compare(await downloaded(downloads, 'flat.psd'), native(flat).psd) === 0, 'flat.psd saved by keys differs');
    await page.keyboard.press('Tab');
    keys.push(`Tab: to "${await focused()}"`);
    await press('Enter', 'the menu of formats takes its place, focused');
    check((await focused()) === 'Format to save flat.edg in', `after the format button, focus is on ${await focused()}`);
    await page.keyboard.down('Shift');
    for (let i = 0; i < 12 && (await focused()) !== 'pick-button'; ++i) await page.keyboard.press('Tab');
    await page.keyboard.up('Shift');
    keys.push('Shift+Tab (repeated): back to the picker');
    const again = await chooserBy(page, () => press('Space', 'the file chooser opens'));
    await again.cancel();

    // Focus is never lost to the page's body: a cancelled row passes it on,
    // Clear gives it to the picker, and a preview whose row is hidden to the list.
    const third = await chooserBy(page, () => press('Enter', 'the file chooser opens'));
    await third.accept([path.join(bench, 'big.edg'), flat, documents.find((file) => path.basename(file) === 'pages.edg')]);
    for (let i = 0; i < 12 && (await focused()) !== 'Cancel flat.edg'; ++i) await page.keyboard.press('Tab');
    await press('Enter', 'flat.edg (waiting, in the middle) is cancelled');
    check((await focused()) === 'Cancel pages.edg', `after a middle row's cancel, focus is on ${await focused()}`);
    await press('Enter', 'pages.edg (waiting, the last) is cancelled');
    check((await focused()) === 'Files', `after the last row's cancel, its neighbour without buttons, focus is on ${await focused()}`);
    for (let i = 0; i < 12 && (await focused()) !== 'Cancel big.edg'; ++i) await page.keyboard.press('Tab');
    keys.push('Tab (repeated): to "Cancel big.edg"');
    await press('Enter', 'big.edg (converting) is cancelled');
    check((await focused()) === 'Preview flat.psd', `after the last row's cancel, focus is on ${await focused()}`);
    await page.focus('#clear');
    await press('Enter', 'the list is cleared, focus on the picker');
    check((await focused()) === 'pick-button', `after Clear, focus is on ${await focused()}`);
    const fourth = await chooserBy(page, () => press('Enter', 'the file chooser opens'));
    await fourth.accept([flat]);
    await page.waitForSelector('#files li[data-finished] .show');
    for (let i = 0; i < 12 && (await focused()) !== 'Preview flat.psd'; ++i) await page.keyboard.press('Tab');
    await press('Enter', 'the preview opens');
    await page.waitForFunction(() => document.activeElement.id === 'preview-title');
    await page.evaluate(() => document.getElementById('failed-only').click());
    await press('Escape', 'the preview closes, its row hidden: focus on the list');
    check((await focused()) === 'Files', `after closing a preview whose row is hidden, focus is on ${await focused()}`);
    await page.evaluate(() => document.getElementById('failed-only').click());

    // A save, Clear and "Save all" are each told, and nothing said is
    // replaced within a second.
    await page.click('#save-all');
    await downloaded(downloads, 'tomel-psd.zip');
    await page.waitForFunction(() => window.announced.some(({ text }) => text.startsWith('tomel-psd.zip saved')));
    const announced = await page.evaluate(() => window.announced.filter(({ text }) => text !== ''));
    const told = announced.map(({ text }) => text);
    for (const want of ['flat.psd saved.', 'The list is cleared.', 'tomel-psd.zip saved: 1 PSD file.']) {
        check(told.includes(want), `"${want}" was not told: ${told.join(' | ')}`);
    }
    const cut = announced.slice(0, -1).filter(({ at }, i) => announced[i + 1].at - at < 1000);
    check(cut.length === 0, `replaced within a second: ${cut.map(({ text }) => text).join(' | ')}`);
    console.log(`keyboard: ${keys.join('; ')}`);
    console.log(`announcements: ${told.join(' | ')}`);
}

// A file written to between being picked and being read: its row says it
// changed, and offers the picker to add it again.
async function changedFile(name, page) {
    const flat = documents.find((file) => path.basename(file) === 'flat.edg');
    const grown = path.join(work, `grown-${name}.edg`);
    fs.copyFileSync(flat, grown);
    await page.evaluate(() => document.getElementById('clear').click());
    const picker = await page.evaluateHandle(() => Object.assign(document.createElement('input'), { type: 'file', multiple: true }));
    await picker.uploadFile(grown);
    await sleep(1100);
    fs.appendFileSync(grown, Buffer.alloc(100));
    await page.evaluate((input) => {
        const transfer = new DataTransfer();
        for (const file of input.files) transfer.items.add(file);
        document.querySelector('footer').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, picker);
    await page.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 1, { timeout: 60000 });
    const [row] = await rowsOf(page);
    check(row.state === 'failed' && row.line === 'Changed since it was added: add it again to convert it as it is now',
        `${name}: a file changed since it was added: ${JSON.stringify(row)}`);
    const chooser = page.waitForFileChooser({ timeout: 10000 });
    await page.click(`#files li .add-again[aria-label="Add grown-${name}.edg again"]`);
    await (await chooser).accept([grown]);
    await page.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 2, { timeout: 60000 });
    const again = (await rowsOf(page))[1];
    const want = native(grown);
    check(want.psd ? again.state === 'converted' && again.output === want.output : again.line === want.line,
        `${name}: the changed file added again: ${JSON.stringify(again)}`);
    console.log(`${name} changed file: "${row.line}", and added again from its row: ${again.state}, as the native build`);
}

async function failureRows(page, browser, dialogs) {
    // A file removed between being picked and being read, then a good one:
    // dropped on the page (not on the drop zone) as the browser would.
    const gone = path.join(work, 'gone.edg');
    const flat = documents.find((file) => path.basename(file) === 'flat.edg');
    fs.copyFileSync(flat, gone);
    await page.evaluate(() => document.getElementById('clear').click());
    const picker = await page.evaluateHandle(() => Object.assign(document.createElement('input'), { type: 'file', multiple: true }));
    await picker.uploadFile(gone, flat);
    fs.rmSync(gone);
    await page.evaluate((input) => {
        const transfer = new DataTransfer();
        for (const file of input.files) transfer.items.add(file);
        document.querySelector('footer').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, picker);
    // A folder where a file was expected.
    const folder = path.join(work, 'folder.edg');
    fs.mkdirSync(folder);
    await (await page.$('#pick')).uploadFile(folder, flat);
    await page.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 4);
    const rows = await rowsOf(page);
    const unreadable = 'Could not be read: a folder, or a file moved or deleted after it was added';
    check(rows.map((row) => `${row.name} ${row.state} ${row.line ?? ''}`.trim()).join(', ') ===
        `gone.edg failed ${unreadable}, flat.edg converted, folder.edg failed ${unreadable}, flat.edg converted`,
    `failed rows: ${JSON.stringify(rows)}`);

    // A folder dropped on the page, as the browser's own drag gives it: its
    // .edg files and its subfolders', in name order, and nothing else.
    const dropped = path.join(work, 'dropped');
    fs.mkdirSync(path.join(dropped, 'sub'), { recursive: true });
    fs.copyFileSync(flat, path.join(dropped, 'b.edg'));
    fs.copyFileSync(flat, path.join(dropped, 'sub', 'a.edg'));
    fs.writeFileSync(path.join(dropped, 'notes.txt'), 'not a document');
    await page.evaluate(() => document.getElementById('clear').click());
    const session = await page.createCDPSession();
    const data = { items: [], files: [dropped], dragOperationsMask: 1 };
    for (const type of ['dragEnter', 'dragOver', 'drop']) await session.send('Input.dispatchDragEvent', { type, x: 500, y: 850, data });
    await page.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 2);
    const fromFolder = (await rowsOf(page)).map((row) => `${row.name} ${row.state}`).join(', ');
    check(fromFolder === 'b.edg converted, a.edg converted', `a dropped folder gave ${fromFolder}`);

    // A folder with no .edg file in it says so.
    const sketches = path.join(work, 'sketches');
    fs.mkdirSync(sketches);
    fs.writeFileSync(path.join(sketches, 'notes.txt'), 'not a document');
    const dropFolder = async (folder) => {
        const dragged = { items: [], files: [folder], dragOperationsMask: 1 };
        for (const type of ['dragEnter', 'dragOver', 'drop']) await session.send('Input.dispatchDragEvent', { type, x: 500, y: 850, data: dragged });
    };
    await dropFolder(sketches);
    const noneTold = await page.waitForFunction(() => document.getElementById('summary').textContent === "No .edg files in 'sketches'.",
        { timeout: 10000 }).then(() => true, () => false);
    check(noneTold, `a folder without .edg files: "${await page.$eval('#summary', (summary) => summary.textContent)}"`);

    // A large folder: its progress shown as it is read, and its rows added
    // without a long script on the page's thread.
    const many = path.join(work, 'many');
    for (let folder = 0; folder < 12; ++folder) {
        fs.mkdirSync(path.join(many, `f${folder}`), { recursive: true });
        for (let file = 0; file < 100; ++file) fs.copyFileSync(flat, path.join(many, `f${folder}`, `${String(file).padStart(3, '0')}.edg`));
    }
    await page.evaluate(() => {
        document.getElementById('clear').click();
        window.readingShown = [];
        new MutationObserver(() => window.readingShown.push(document.getElementById('reading').textContent))
            .observe(document.getElementById('reading'), { childList: true, characterData: true, subtree: true });
    });
    const adding = await mainThreadWork(page, async () => {
        await dropFolder(many);
        await page.waitForFunction(() => document.querySelectorAll('#files li').length === 1200, { timeout: 120000, polling: 100 });
    });
    const readingShown = await page.evaluate(() => window.readingShown);
    const order = await page.evaluate(() => [...document.querySelectorAll('#files li')].map((li) => li.dataset.name));
    check(readingShown.some((text) => /^Reading 'many'… [0-9,]+ files$/.test(text)) && order[100] === '000.edg' && order[1199] === '099.edg',
        `a folder of 1,200 files: shown ${readingShown.slice(-3).join(' | ')}; rows ${order[0]}, ${order[100]}, ${order[1199]}`);
    // Each name is in all twelve folders: every row shows its folder.
    const shownAs = await page.evaluate(() => [...document.querySelectorAll('#files li .result')].map((result) => result.textContent));
    check(shownAs[0].startsWith('many/f0/000.edg → ') && shownAs[100].startsWith('many/f1/000.edg → ') &&
        shownAs[1199].startsWith('many/f9/099.edg → '), `rows of one name from twelve folders: ${shownAs[0]}, ${shownAs[100]}, ${shownAs[1199]}`);
    check(adding.longest < longestTask, `adding 1,200 rows: a script of ${adding.longest.toFixed(0)} ms (${adding.what})`);

    // Results not saved: leaving the page asks first.
    await page.reload({ waitUntil: 'load' });
    check(dialogs.includes('beforeunload'), 'leaving a page with results not saved asked nothing');

    // "Save into a folder…", the folder one of the origin's private file
    // system, where a folder stands in the way of one output: two outputs of
    // one name named as in the zip, the write in the way a failure in its
    // row, the others saved byte for byte, and the progress shown.
    const saver = await browser.newPage();
    await saver.evaluateOnNewDocument(() => {
        window.showDirectoryPicker = async () => {
            const root = await navigator.storage.getDirectory();
            const folder = await root.getDirectoryHandle('saved', { create: true });
            await folder.getDirectoryHandle('layers.psd', { create: true });
            return folder;
        };
    });
    await saver.goto(page.url(), { waitUntil: 'load' });
    const layersEdg = documents.find((file) => path.basename(file) === 'layers.edg');
    await convert(saver, [flat, layersEdg, flat]);
    await saver.evaluate(() => {
        window.progressShown = false;
        new MutationObserver(() => {
            window.progressShown ||= !document.getElementById('folder-progress').hidden;
        }).observe(document.getElementById('folder-progress'), { attributes: true });
    });
    await saver.click('#save-folder');
    await saver.waitForFunction(() => /into the folder/.test(document.getElementById('summary').textContent), { timeout: 30000 });
    const intoFolder = await saver.evaluate(async () => {
        const folder = await (await navigator.storage.getDirectory()).getDirectoryHandle('saved');
        const names = [];
        for await (const [name, handle] of folder.entries()) names.push(`${name} ${handle.kind}`);
        const second = await folder.getFileHandle('flat (2).psd').then((handle) => handle.getFile(), () => new Blob([]));
        const bytes = new Uint8Array(await second.arrayBuffer());
        return {
            names: names.sort().join(', '), second: btoa(String.fromCharCode(...bytes)), progress: window.progressShown,
            failed: [...document.querySelectorAll('#files li .save-failed')].map((note) => note.closest('li').dataset.name),
            told: document.getElementById('summary').textContent,
        };
    });
    check(intoFolder.names === 'flat (2).psd file, flat.psd file, layers.psd directory' && intoFolder.progress &&
        Buffer.compare(Buffer.from(intoFolder.second, 'base64'), native(flat).psd) === 0 && intoFolder.failed.join() === 'layers.edg' &&
        intoFolder.told === '2 PSD files saved into the folder; 1 could not be written (see its row).',
    `"Save into a folder…": ${JSON.stringify({ ...intoFolder, second: undefined })}`);
    await saver.close();

    // A site without its module: one message at the top, rows that say so.
    const { origin, close } = await serveSite(site, /^tomel\.[0-9a-f]+\.wasm$/);
    const broken = await browser.newPage();
    await broken.goto(origin + '/?strict', { waitUntil: 'load' });
    await broken.waitForSelector('#status:not([hidden])', { timeout: 30000 });
    const message = await broken.$eval('#status', (status) => status.textContent);
    check(message.startsWith('The converter could not be loaded'), `the top message is "${message}"`);
    await (await broken.$('#pick')).uploadFile(flat);
    const [row] = await rowsOf(broken);
    check(row.state === 'failed' && row.line.startsWith('Not converted'), `a file added without the module: ${JSON.stringify(row)}`);
    await broken.close();
    close();
    console.log(`failures: a removed file and a folder are failed rows and the queue went on; a dropped folder gave ${fromFolder}; ` +
        `one without .edg files told so; 1,200 files from 12 folders shown as read (${readingShown.length} steps), ` +
        `"Save into a folder…" named as the zip, its failed write told in its row; ` +
        `the longest script ${adding.longest.toFixed(1)} ms; without tomel.wasm: "${message}"`);
    return origin;
}

async function bigAndMemory(page, downloads) {
    const big = path.join(bench, 'big.edg');
    await page.reload({ waitUntil: 'load' });
    await sleep(1500);
    const idle = await rendererMiB(page);
    await page.evaluate(() => document.getElementById('clear').click());
    // Big's PSD is a Blob the browser may still be storing: its preview,
    // opened the moment its row has the button, waits for it.
    await page.evaluate(() => new MutationObserver((_, observer) => {
        const show = document.querySelector('#files li .show');
        if (show) {
            observer.disconnect();
            show.click();
        }
    }).observe(document.getElementById('files'), { subtree: true, childList: true }));
    let converting = 0;
    const convertingWork = await mainThreadWork(page, async () => {
        converting = await longestFrameGap(page, async () => {
            await (await page.$('#pick')).uploadFile(big);
            await page.waitForSelector('#files li[data-finished]', { timeout: 600000 });
        });
    });
    await page.waitForFunction(() => /4096 × 4096|could not/.test(document.getElementById('preview-title').textContent));
    const title = await page.$eval('#preview-title', (heading) => heading.textContent);
    check(title === 'big.psd: 4096 × 4096', `big's preview: ${title}`);
    // The worker that converted big grew past 128 MiB: anim goes to a new
    // one, and mid (a PSD the page holds as bytes) with it.
    await (await page.$('#pick')).uploadFile(path.join(bench, 'anim.edg'), path.join(bench, 'mid.edg'));
    await page.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 3, { timeout: 600000 });
    const rows = await rowsOf(page);
    check(rows.every((row) => row.state === 'converted'), `big, anim and mid: ${JSON.stringify(rows)}`);
    const [bigMemory, animMemory] = rows.map((row) => Number(row.memory));
    check(bigMemory > 128 << 20 && animMemory < 128 << 20, `big's worker had ${bigMemory} bytes, anim's ${animMemory}`);
    let zipping = 0;
    const zippingWork = await mainThreadWork(page, async () => {
        zipping = await longestFrameGap(page, async () => {
            // A second click while the zip is made starts nothing.
            await page.click('#save-all');
            await page.click('#save-all');
            const zip = await downloaded(downloads, 'tomel-psd.zip');
            const names = [];
            unzipSync(new Uint8Array(zip), { filter: (file) => names.push(file.name) && false });
            check(names.join() === 'big.psd,anim.psd,mid.psd', `the zip of big, anim and mid holds ${names}`);
        });
    });
    // An export in the sequence too: anim as a GIF, made on demand by the
    // converting worker (the settings are the exports group's).
    await page.click('#files li[data-name="anim.edg"] button.format');
    await page.select('#files li[data-name="anim.edg"] select.format', 'gif');
    await page.click('#files li[data-name="anim.edg"] .save');
    const animGif = await downloaded(downloads, 'anim.gif');
    check(Buffer.compare(animGif, nativeExport(path.join(bench, 'anim.edg'), exportWords.gif).get('anim.gif')) === 0,
        "anim.gif saved from its row differs from tomel-export's");
    // Big as a GIF at scale 16 is past a GIF's sides: its row says so, in
    // words. The export grew the worker past what one keeps: it retires, and
    // the next file converts in a new one.
    const setScale = (scale) => page.evaluate((value) => {
        const input = document.getElementById('scale');
        input.value = String(value);
        input.dispatchEvent(new Event('change'));
    }, scale);
    await setScale(16);
    await page.click('#files li[data-name="big.edg"] button.format');
    await page.select('#files li[data-name="big.edg"] select.format', 'gif');
    await page.click('#files li[data-name="big.edg"] .save');
    await page.waitForSelector('#files li[data-name="big.edg"] .save-failed', { timeout: 600000 });
    const refused = await page.$eval('#files li[data-name="big.edg"] .save-failed', (note) => note.textContent);
    check(refused === 'big.edg as GIF could not be saved: a GIF is at most 65535 pixels wide and tall, and this one would be ' +
        'larger at this scale: choose a lower scale (Error : UnsupportedFormat).', `big as a GIF at scale 16: "${refused}"`);
    await setScale(exportSettings.scale);
    await (await page.$('#pick')).uploadFile(documents.find((file) => path.basename(file) === 'flat.edg'));
    await page.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 4, { timeout: 600000 });
    const afterExport = Number((await rowsOf(page))[3].memory);
    check(afterExport > 0 && afterExport < 128 << 20, `flat.edg converted after big's export by a worker of ${afterExport} bytes`);
    await sleep(1000);
    check(fs.readdirSync(downloads).length === 0, `more than one zip: ${fs.readdirSync(downloads)}`);
    // The memory given back: with the preview closed and the list cleared,
    // only the converting worker's module (under 128 MiB, most often far
    // under) is left above the page's size at its start.
    await page.click('#preview-close');
    await page.evaluate(() => document.getElementById('clear').click());
    const after = await rendererMiB(page);
    check(after - idle <= 64, `the renderer held ${after.toFixed(0)} MiB after big, its preview, "Save all", anim as a GIF and Clear; ` +
        `${idle.toFixed(0)} MiB at the start`);
    // What the page itself does, not how fast the machine is today: none of
    // its scripts runs long, and nothing freezes it.
    check(convertingWork.longest < longestTask && zippingWork.longest < longestTask,
        `the page's longest script took ${convertingWork.longest.toFixed(0)} ms of its thread converting, ` +
        `${zippingWork.longest.toFixed(0)} ms zipping (${convertingWork.what}; ${zippingWork.what})`);
    check(zippingWork.copy < longestCopy, `"Save all" copied a message of ${zippingWork.copy.toFixed(0)} ms on the page's thread`);
    check(converting < freeze && zipping < freeze, `the page froze: frame gaps of ${converting.toFixed(0)} ms converting, ` +
        `${zipping.toFixed(0)} ms zipping`);
    console.log(`big: the page's longest script ${convertingWork.longest.toFixed(1)} ms converting ` +
        `(${convertingWork.total.toFixed(0)} ms in all), ${zippingWork.longest.toFixed(1)} ms in "Save all" ` +
        `(${zippingWork.total.toFixed(0)} ms in all, its longest copy of a message ${zippingWork.copy.toFixed(2)} ms); longest frame gap ${converting.toFixed(0)} ms converting, ` +
        `${zipping.toFixed(0)} ms in "Save all"; ` +
        `its worker's module ${(bigMemory / 2 ** 20).toFixed(0)} MiB, the next one's after anim ${(animMemory / 2 ** 20).toFixed(0)} MiB; ` +
        `the renderer ${idle.toFixed(0)} MiB at the start, ${after.toFixed(0)} MiB after all and Clear`);

    // Clear while a zip is made: the zip is cancelled, and said so; nothing
    // of it arrives, and the next list's "Save all" zips that list.
    await convert(page, [path.join(bench, 'anim.edg'), path.join(bench, 'mid.edg')]);
    await page.click('#save-all');
    await page.waitForFunction(() => document.getElementById('save-all').textContent === 'Zipping…');
    await page.evaluate(() => document.getElementById('clear').click());
    const cancelled = 'The zip being made was cancelled.';
    await page.waitForFunction((want) => document.getElementById('summary').textContent === want, { timeout: 10000 }, cancelled)
        .catch(() => {});
    const told = await page.$eval('#summary', (summary) => summary.textContent);
    const button = await page.$eval('#save-all', (save) => `${save.textContent}${save.disabled ? ' (disabled)' : ''}`);
    await convert(page, [documents.find((file) => path.basename(file) === 'pages.edg')]);
    await page.click('#save-all');
    const names = [];
    unzipSync(new Uint8Array(await downloaded(downloads, 'tomel-psd.zip')), { filter: (file) => names.push(file.name) && false });
    await sleep(1000);
    check(told === cancelled && button === 'Save all as .zip' && names.join() === 'pages.psd' && fs.readdirSync(downloads).length === 0,
        `Clear while zipping: told "${told}", the button "${button}", the next zip holds ${names}, left ${fs.readdirSync(downloads)}`);
    await page.evaluate(() => document.getElementById('clear').click());
}

// The resident memory of the browser's renderer processes, in MiB, after a
// garbage collection of the page (Chromium only).
async function rendererMiB(page) {
    const session = await page.createCDPSession();
    await session.send('HeapProfiler.collectGarbage');
    await sleep(1000);
    await session.send('HeapProfiler.collectGarbage');
    await session.detach();
    const browserSession = await page.browser().target().createCDPSession();
    const { processInfo } = await browserSession.send('SystemInfo.getProcessInfo');
    await browserSession.detach();
    let kib = 0;
    for (const { id } of processInfo.filter(({ type }) => type === 'renderer')) {
        kib += Number(/VmRSS:\s+(\d+)/.exec(fs.readFileSync(`/proc/${id}/status`, 'utf8'))?.[1] ?? 0);
    }
    return kib / 1024;
}

// The preview's pages: each page's picture, read back from the canvas, is
// psd-tools' layers of that page composited by tests/web/page_pictures.py.
// Colours where a pixel is transparent are not compared (a bitmap keeps
// none there).
async function previewPages(page) {
    const shownPixels = () => page.evaluate(() => {
        const canvas = document.getElementById('composite');
        const context = Object.assign(document.createElement('canvas'), { width: canvas.width, height: canvas.height }).getContext('2d');
        context.drawImage(canvas, 0, 0);
        const { data } = context.getImageData(0, 0, canvas.width, canvas.height);
        let text = '';
        data.forEach((v, i) => (text += String.fromCharCode(i % 4 !== 3 && data[i - (i % 4) + 3] === 0 ? 0 : v)));
        return btoa(text);
    });
    const report = [];
    for (const name of ['pages.edg', 'anim.edg']) {
        const file = name === 'anim.edg' ? path.join(bench, name) : documents.find((f) => path.basename(f) === name);
        const want = native(file);
        const psdFile = path.join(work, want.output);
        fs.writeFileSync(psdFile, want.psd);
        const count = Number(execFileSync('/usr/bin/python3', [pagePictures, psdFile,
            path.join(work, 'page')], { encoding: 'utf8' }));
        await convert(page, [file]);
        await page.click('#files li .show');
        let same = 0;
        for (let p = 0; p < count; ++p) {
            if (p > 0) await page.keyboard.press('ArrowRight');
            await page.waitForFunction((p) => document.getElementById('preview').dataset.shownPage === String(p), {}, p);
            const expected = fs.readFileSync(path.join(work, `page-${p}.rgba`)).toString('base64');
            if ((await shownPixels()) === expected) same += 1;
            else check(false, `${want.output}: page ${p + 1}'s preview differs from psd-tools' layers composited`);
        }
        report.push(`${want.output} ${same} of ${count} pages`);
    }
    // Play: the 3 pages of pages.psd in order, looping, then pause.
    await convert(page, [documents.find((f) => path.basename(f) === 'pages.edg')]);
    await page.click('#files li .show');
    await page.waitForFunction(() => document.getElementById('preview').dataset.shownPage === '0');
    // Playing, the page label is not read out; paused, the page shown is.
    const live = () => page.$eval('#page-label', (label) => label.getAttribute('aria-live'));
    // Every page shown, recorded inside the page as it is shown: a busy
    // machine slows the loop, and misses nothing.
    await page.evaluate(() => {
        const section = document.getElementById('preview');
        window.shownPages = [section.dataset.shownPage];
        new MutationObserver(() => {
            if (section.dataset.shownPage !== window.shownPages.at(-1)) window.shownPages.push(section.dataset.shownPage);
        }).observe(section, { attributes: true, attributeFilter: ['data-shown-page'] });
    });
    await page.click('#play');
    const playingLive = await live();
    await page.waitForFunction(() => window.shownPages.length >= 4, { timeout: 60000 }).catch(() => {});
    await page.click('#play');
    const seen = (await page.evaluate(() => window.shownPages)).slice(0, 4);
    check(seen.join() === '0,1,2,0', `playing pages.psd showed pages ${seen}`);
    const pausedLive = await live();
    const zoomLive = await page.$eval('#zoom-level', (level) => level.getAttribute('aria-live'));
    check(playingLive === 'off' && pausedLive === 'polite' && zoomLive === null,
        `the page label is live "${playingLive}" playing, "${pausedLive}" paused; the zoom "${zoomLive}"`);
    console.log(`pages: ${report.join(', ')} as psd-tools composites them; play went through pages ${seen.map((p) => Number(p) + 1)}`);
}

// The page as an app: installable, working offline, opening files the
// operating system hands it, and taking a new version after asking.
// New versions, from a server that lets the browser cache as static hosts
// do, every file modified a day before: a change to protocol.mjs with two
// tabs open, one with a result not saved; then a change to index.html
// alone; then offline with the browser's HTTP cache cleared. Firefox's is
// turned off for this (nothing clears it from outside), so that it is empty
// at every step.
async function updatesInTabs(browser, downloads, firefox) {
    const pagesEdg = documents.find((f) => path.basename(f) === 'pages.edg');
    const clearHttpCache = async ({ cdp }) => cdp?.send('Network.clearBrowserCache');
    const sources = path.join(path.dirname(site), 'site-sources');
    const live = path.join(work, 'live');
    const publish = (change = () => {}) => {
        fs.rmSync(live, { recursive: true, force: true });
        fs.cpSync(sources, live, { recursive: true });
        change();
        const version = hashSite(live);
        const dayAgo = new Date(Date.now() - 24 * 3600 * 1000);
        for (const name of fs.readdirSync(live)) fs.utimesSync(path.join(live, name), dayAgo, dayAgo);
        for (const name of version.renamed.values()) otherVersions.add(name);
        return version;
    };
    const v1 = publish();
    const server = await serveSite(live, /^$/, { caching: true });
    const tab = async () => {
        const opened = await browser.newPage();
        const seen = [];
        opened.on('dialog', (dialog) => {
            seen.push(dialog.type());
            dialog.accept();
        });
        const cdp = firefox ? null : await opened.createCDPSession();
        await cdp?.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
        await opened.goto(server.origin + '/?strict', { waitUntil: 'load' });
        await opened.evaluate(() => navigator.serviceWorker.ready);
        await opened.reload({ waitUntil: 'load' });
        return { opened, dialogs: seen, cdp };
    };
    const running = (opened) => opened.evaluate(() => ({
        app: new URL(document.querySelector('script[type=module]').src).pathname.slice(1),
        heading: document.querySelector('h1').textContent,
        rows: document.querySelectorAll('#files li').length,
        prompt: !document.getElementById('update').hidden,
    }));
    const cachesHeld = (opened) => opened.evaluate(async () => (await caches.keys()).sort().join());
    // The user looks at the tab (a tab in the background draws no frames).
    const takeUpdate = async (opened) => {
        await opened.bringToFront();
        await opened.waitForSelector('#update:not([hidden])', { timeout: 30000 });
        await Promise.all([opened.waitForNavigation({ waitUntil: 'load' }), opened.click('#update-reload')]);
    };
    const first = await tab();
    const second = await tab();
    await convert(second.opened, [pagesEdg]);

    const changeProtocol = () => fs.appendFileSync(path.join(live, 'protocol.mjs'), '\n// the next version\n');
    const v2 = publish(changeProtocol);
    await first.opened.evaluate(() => navigator.serviceWorker.getRegistration().then((registration) => registration.update()));
    // Reloaded while the new version waits, the tab runs the old one again
    // and says so to the old worker, which tidies: the waiting version's
    // cache stays, and serves it whole once taken, offline and with the
    // browser's HTTP cache cleared.
    await first.opened.bringToFront();
    await first.opened.waitForSelector('#update:not([hidden])', { timeout: 30000 });
    await first.opened.reload({ waitUntil: 'load' });
    await sleep(1500);
    const whileWaiting = await cachesHeld(first.opened);
    check(whileWaiting.includes(`tomel-${v2.version}`), `reloaded while an update waits, the caches: ${whileWaiting}`);
    await takeUpdate(first.opened);
    await clearHttpCache(first);
    server.down(true);
    await first.opened.reload({ waitUntil: 'load' });
    const firstNow = await running(first.opened);
    check(firstNow.app === v2.renamed.get('app.mjs'), `the tab that took the update runs ${firstNow.app}, not ${v2.renamed.get('app.mjs')}`);
    const [takenOffline] = await convert(first.opened, [pagesEdg]);
    check(takenOffline.state === 'converted', `the update taken, offline with the HTTP cache cleared: ${JSON.stringify(takenOffline)}`);
    await first.opened.click('#clear');
    server.down(false);
    await second.opened.bringToFront();
    await second.opened.waitForSelector('#update:not([hidden])', { timeout: 30000 });
    const secondNow = await running(second.opened);
    check(second.dialogs.length === 0 && secondNow.app === v1.renamed.get('app.mjs') && secondNow.rows === 1,
        `the other tab, its result not saved: dialogs ${second.dialogs}, running ${secondNow.app}, ${secondNow.rows} rows`);
    const bothHeld = await cachesHeld(second.opened);
    check(bothHeld === [`tomel-${v1.version}`, `tomel-${v2.version}`, 'tomel-tabs'].sort().join(), `with a tab on each version, the caches: ${bothHeld}`);
    // Its own version's files (the zip's worker) with the network gone and
    // nothing in the browser's HTTP cache.
    await clearHttpCache(second);
    server.down(true);
    await second.opened.click('#save-all');
    const zipped = unzipSync(new Uint8Array(await downloaded(downloads, 'tomel-psd.zip')));
    check(Buffer.compare(Buffer.from(zipped['pages.psd'] ?? []), native(pagesEdg).psd) === 0,
        `"Save all" in the tab left on the old version: ${Object.keys(zipped)}`);
    server.down(false);
    await takeUpdate(second.opened);
    await second.opened.waitForFunction((want) => caches.keys().then((names) => names.sort().join() === want), { timeout: 10000 },
        `tomel-${v2.version},tomel-tabs`).catch(() => {});
    const oneHeld = await cachesHeld(second.opened);
    check(oneHeld === `tomel-${v2.version},tomel-tabs` && (await running(second.opened)).app === v2.renamed.get('app.mjs'),
        `both tabs updated: caches ${oneHeld}`);
    await second.opened.close();

    const v3 = publish(() => {
        changeProtocol();
        const page = path.join(live, 'index.html');
        fs.writeFileSync(page, fs.readFileSync(page, 'utf8').replace('<h1>Tomel</h1>', '<h1>Tomel, the next version</h1>'));
    });
    check(v3.renamed.get('app.mjs') === v2.renamed.get('app.mjs') && v3.version !== v2.version, 'index.html alone changed nothing else');
    await first.opened.evaluate(() => navigator.serviceWorker.getRegistration().then((registration) => registration.update()));
    await takeUpdate(first.opened);
    const heading = (await running(first.opened)).heading;
    check(heading === 'Tomel, the next version', `after a change to index.html alone: "${heading}"`);

    await clearHttpCache(first);
    server.down(true);
    await first.opened.reload({ waitUntil: 'load' });
    const [offlineAgain] = await convert(first.opened, [pagesEdg]);
    check(offlineAgain.state === 'converted' && (await running(first.opened)).heading === 'Tomel, the next version',
        `offline with the HTTP cache cleared: ${JSON.stringify(offlineAgain)}`);
    await first.opened.close();
    server.close();
    return server.origin;
}

async function asAnApp(browser, page, origin, downloads) {
    const session = await page.createCDPSession();
    const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
    check(installabilityErrors.length === 0, `installability: ${JSON.stringify(installabilityErrors)}`);

    // Files opened with the app: handles made in the origin's private file system.
    const launched = await browser.newPage();
    await launched.evaluateOnNewDocument(() => Object.defineProperty(window, 'launchQueue', {
        value: { setConsumer: (consumer) => Object.assign(window, { launchConsumer: consumer }) },
    }));
    await launched.goto(origin + '/?strict', { waitUntil: 'load' });
    const pagesEdg = documents.find((f) => path.basename(f) === 'pages.edg');
    await launched.evaluate(async (bytes) => {
        const root = await navigator.storage.getDirectory();
        const handle = await root.getFileHandle('pages.edg', { create: true });
        const writable = await handle.createWritable();
        await writable.write(Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0)));
        await writable.close();
        // A file that is gone by the time it is launched, before a good one.
        const gone = await root.getFileHandle('gone.edg', { create: true });
        await root.removeEntry('gone.edg');
        await window.launchConsumer({ files: [gone, handle] });
    }, fs.readFileSync(pagesEdg).toString('base64'));
    await launched.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 2);
    const launchedRows = (await rowsOf(launched)).map((row) => `${row.name} ${row.state} ${row.output ?? row.line}`).join(', ');
    check(launchedRows === 'gone.edg failed Could not be read: a folder, or a file moved or deleted after it was added, ' +
        'pages.edg converted pages.psd', `launched files: ${launchedRows}`);
    await launched.close();

    // Offline: the network taken away, the page reloaded, a file converted.
    await page.evaluate(() => navigator.serviceWorker.ready);
    await session.send('Network.enable');
    await session.send('Network.emulateNetworkConditions', { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
    await page.reload({ waitUntil: 'load' });
    const [offlineRow] = await convert(page, [pagesEdg]);
    await page.click('#files li .save');
    const psd = await downloaded(downloads, 'pages.psd');
    check(offlineRow.state === 'converted' && Buffer.compare(psd, native(pagesEdg).psd) === 0,
        `offline: ${JSON.stringify(offlineRow)}`);
    check(await page.$eval('#offline', (note) => !note.hidden), 'offline, the page does not say so');
    await sleep(400); // the count above the list catches up
    await page.screenshot({ path: screenshot.replace(/\.png$/, '-offline.png'), fullPage: true });
    await session.send('Network.emulateNetworkConditions', { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });

    const updatedOrigin = await updatesInTabs(browser, downloads, false);
    console.log('app: installable, of two files launched the one gone a failed row and the other converted, offline conversion byte-identical; ' +
        'updates from a caching server: protocol.mjs changed (one tab reloaded while it waited, then updated and ran offline; the other kept its result, version and files, even offline, until its own reload), ' +
        'index.html alone changed, offline with the HTTP cache cleared');
    return updatedOrigin;
}

// WebKitGTK's MiniBrowser, through WebDriver: the documents batch and the
// failures the other browsers are held to, where WebDriver can make them.
// Saved files are taken from the page's own Blobs (WebDriver has no
// downloads), and the site's server tells what was asked for.
async function inWebKit() {
    const { origin, served, close } = await serveSite(site);
    const broken = await serveSite(site, /^tomel\.[0-9a-f]+\.wasm$/);
    const webkit = await WebKitSession.start();
    const rowsIn = () => webkit.run(() => [...document.querySelectorAll('#files li')].map((li) => ({ ...li.dataset })));
    const finishedRows = (n, what) => webkit.until((count) => document.querySelectorAll('#files li[data-finished]').length === count,
        what, 600000, n);
    try {
        await webkit.goto(origin + '/?strict');
        await webkit.until(() => document.getElementById('status').hidden, 'the converter to start', 60000);
        // The test's own hooks, from outside the product: saved Blobs and errors.
        await webkit.run(() => {
            window.stage = { saved: new Map(), errors: [] };
            const make = URL.createObjectURL;
            URL.createObjectURL = (blob) => {
                const url = make(blob);
                window.stage.blob = blob;
                return url;
            };
            HTMLAnchorElement.prototype.click = function saved() {
                window.stage.saved.set(this.download, window.stage.blob);
            };
            window.addEventListener('error', (e) => window.stage.errors.push(e.message));
            window.addEventListener('unhandledrejection', (e) => window.stage.errors.push(String(e.reason)));
        });
        const savedFile = async (name) => {
            await webkit.until((n) => window.stage.saved.has(n), name, 600000, name);
            return Buffer.from(await webkit.run(async (n) => {
                const bytes = new Uint8Array(await window.stage.saved.get(n).arrayBuffer());
                let text = '';
                for (let at = 0; at < bytes.length; at += 0x8000) text += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
                return btoa(text);
            }, name), 'base64');
        };

        await webkit.upload('#pick', documents);
        await finishedRows(documents.length, 'the documents');
        const rows = await rowsIn();
        await webkit.run(() => document.getElementById('save-all').click());
        checkDocuments('webkit', rows, await savedFile('tomel-psd.zip'));
        const driver = {
            run: (fn, arg) => webkit.run(fn, arg),
            click: (selector) => webkit.run((s) => document.querySelector(s).click(), selector),
            convert: async (files) => {
                await webkit.run(() => document.getElementById('clear').click());
                await webkit.upload('#pick', files);
                await finishedRows(files.length, 'the files to export');
            },
            add: (files) => webkit.upload('#pick', files),
            saved: savedFile,
            until: (fn, what, arg) => webkit.until(fn, what, 120000, arg).then(() => true, () => check(false, `webkit: waited in vain for ${what}`)),
        };
        await exportsSaved('webkit', driver);
        await savesOutlive('webkit', driver);
        await settingsMet('webkit', driver);
        if (!(await framesShown('webkit', (fn, arg) => webkit.run(fn, arg)))) {
            console.log('webkit frames: this WebKit has no ImageDecoder; its frames are not looked at');
        }

        // A file removed between being picked and being read, dropped with a
        // good one; then a folder where a file was expected, with a good one.
        const gone = path.join(work, 'gone.edg');
        const flat = documents.find((file) => path.basename(file) === 'flat.edg');
        fs.copyFileSync(flat, gone);
        await webkit.run(() => {
            document.getElementById('clear').click();
            document.body.append(Object.assign(document.createElement('input'), { type: 'file', multiple: true, id: 'stage-picker' }));
        });
        await webkit.upload('#stage-picker', [gone, flat]);
        fs.rmSync(gone);
        await webkit.run(() => {
            const transfer = new DataTransfer();
            for (const file of document.getElementById('stage-picker').files) transfer.items.add(file);
            document.querySelector('footer').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
        });
        await finishedRows(2, 'the dropped files');
        const folder = path.join(work, 'webkit-folder.edg');
        fs.mkdirSync(folder);
        let folderRow = '';
        try {
            await webkit.upload('#pick', [folder, flat]);
            await finishedRows(4, 'the folder and flat.edg');
            folderRow = 'a folder';
        } catch (e) {
            // WebKit's driver may refuse to choose a folder as a file.
            folderRow = `no folder (${e.message.split('\n')[0]})`;
        }
        const failed = (await rowsIn()).map((row) => `${row.name} ${row.state} ${row.line ?? ''}`.trim());
        const unreadable = 'Could not be read: a folder, or a file moved or deleted after it was added';
        const want = [`gone.edg failed ${unreadable}`, 'flat.edg converted',
            ...(folderRow === 'a folder' ? [`webkit-folder.edg failed ${unreadable}`, 'flat.edg converted'] : [])];
        check(failed.join(', ') === want.join(', '), `webkit: failed rows: ${failed.join(', ')}`);
        const errors = await webkit.run(() => window.stage.errors);
        check(errors.length === 0, `webkit: errors in the page: ${errors.join('; ')}`);

        // A site without its module: the message at the top, and a failed row.
        await webkit.goto(broken.origin + '/?strict');
        await webkit.until(() => !document.getElementById('status').hidden &&
            document.getElementById('status').textContent.startsWith('The converter'), 'the top message', 60000);
        await webkit.upload('#pick', [flat]);
        await finishedRows(1, 'a file without the module');
        const [row] = await rowsIn();
        check(row.state === 'failed' && row.line.startsWith('Not converted'), `webkit: a file added without the module: ${JSON.stringify(row)}`);
        console.log(`webkit failures: a removed file is a failed row and the queue went on; ${folderRow} given as a file; ` +
            'without tomel.wasm, the top message and a failed row');
    } finally {
        await webkit.close();
        close();
        broken.close();
    }
    checkNetwork('webkit', [origin, broken.origin], [], [...served, ...broken.served]);
}

for (const browserName of ['chromium', 'firefox']) {
    const { origin, served, close } = await serveSite(site);
    const downloads = path.join(work, `downloads-${browserName}`);
    fs.mkdirSync(downloads);
    const { browser, page, requested, dialogs } = await openPage(origin, work, downloads, browserName);
    const origins = [origin];
    page.on('pageerror', (error) => check(false, `${browserName}: page error: ${error.message}`));
    await documentsBatch(browserName, page, downloads);
    const driver = {
        run: (fn, arg) => page.evaluate(fn, arg),
        click: (selector) => page.click(selector),
        convert: (files) => convert(page, files),
        add: async (files) => (await page.$('#pick')).uploadFile(...files),
        saved: (file) => downloaded(downloads, file),
        until: (fn, what, arg) => page.waitForFunction(fn, { timeout: 120000 }, arg)
            .then(() => true, () => check(false, `${browserName}: waited in vain for ${what}`)),
    };
    await exportsSaved(browserName, driver);
    check(await framesShown(browserName, (fn, arg) => page.evaluate(fn, arg)), `${browserName}: no ImageDecoder`);
    await savesOutlive(browserName, driver);
    await settingsMet(browserName, driver);
    await changedFile(browserName, page);
    if (browserName === 'firefox') {
        const updating = await openPage(origin, work, downloads, 'firefox',
            { profile: 'firefox-updates', prefs: { 'browser.cache.disk.enable': false, 'browser.cache.memory.enable': false } });
        origins.push(await updatesInTabs(updating.browser, downloads, true));
        await updating.browser.close();
        console.log('firefox updates: protocol.mjs changed (one tab reloaded while it waited, then updated and ran offline; the other ' +
            'kept its result, version and files, even offline, until its own reload), index.html alone changed, offline, ' +
            'with no HTTP cache');
    }
    if (browserName === 'chromium') {
        await largeAnimation(page, downloads);
        // Before any other preview: the preview's worker starts with big.
        await bigAndMemory(page, downloads);
        await keyboardPass(page, downloads, dialogs);
        origins.push(await failureRows(page, browser, dialogs));
        await previewPages(page);
        origins.push(await asAnApp(browser, page, origin, downloads));
        // The preview at a phone's width: Edge1 names without their zero
        // padding, and the canvas not squeezed by the layer list.
        await page.setViewport({ width: 360, height: 740 });
        await convert(page, [documents.find((file) => path.basename(file) === 'layers.edg')]);
        await page.click('#files li .show');
        await page.waitForSelector('#preview:not([hidden])');
        const shown = await page.evaluate(() => ({
            names: [...document.querySelectorAll('#layers span')].map((span) => span.textContent),
            width: document.getElementById('composite').getBoundingClientRect().width,
        }));
        check(shown.names.length === 3 && !shown.names.some((name) => name.includes('\0')) && shown.width >= 24 * 8,
            `layers.psd's preview at 360 px: ${JSON.stringify(shown)}`);
        // Targets: with a finger at a phone's width, every control visible is
        // 44 px at least and nothing runs past the screen; with a mouse, 24 px.
        const targets = async (finger) => {
            await page.setViewport({ width: finger ? 360 : 1100, height: finger ? 740 : 900, hasTouch: finger, isMobile: finger });
            await convert(page, [documents.find((file) => path.basename(file) === 'pages.edg'), path.join(work, 'not-an-edg.txt')]);
            await page.click('#files li .show');
            await page.waitForSelector('#preview:not([hidden])');
            await page.evaluate(() => document.querySelector('#files li.failed details')?.setAttribute('open', ''));
            return page.evaluate(() => {
                const controls = [...document.querySelectorAll('button, summary, select, input:not([type=file])')]
                    .map((control) => (control.type === 'checkbox' ? control.closest('label') ?? control : control))
                    .filter((target) => target.getClientRects().length > 0);
                const sizes = controls.map((target) => {
                    const { width, height, right } = target.getBoundingClientRect();
                    return { what: target.id || target.getAttribute('aria-label') || target.textContent.trim().slice(0, 20), width, height, right };
                });
                return { sizes, coarse: matchMedia('(pointer: coarse)').matches, screen: document.documentElement.clientWidth,
                    overflow: document.documentElement.scrollWidth - document.documentElement.clientWidth };
            });
        };
        fs.writeFileSync(path.join(work, 'not-an-edg.txt'), 'plain text');
        const withFinger = await targets(true);
        const small = withFinger.sizes.filter(({ width, height }) => width < 44 || height < 44);
        const past = withFinger.sizes.filter(({ right }) => right > withFinger.screen);
        check(withFinger.coarse && small.length === 0 && past.length === 0 && withFinger.overflow <= 0,
            `at 360 px with a finger: too small ${JSON.stringify(small)}, past the screen ${JSON.stringify(past)}, overflow ${withFinger.overflow}`);
        const notEdg = await page.$eval('#files li.failed .result', (result) => result.textContent);
        check(notEdg === 'not-an-edg.txt: Error : InvalidFormat; this is not an .edg file', `a file not named .edg: "${notEdg}"`);
        const withMouse = await targets(false);
        const tooSmall = withMouse.sizes.filter(({ width, height }) => width < 24 || height < 24);
        check(!withMouse.coarse && tooSmall.length === 0, `with a mouse: too small ${JSON.stringify(tooSmall)}`);
        const heights = (sizes) => [...new Set(sizes.map(({ height }) => Math.round(height)))].sort((a, b) => a - b).join(', ');
        console.log(`targets: ${withFinger.sizes.length} controls at 360 px with a finger, ${heights(withFinger.sizes)} px tall, none past the screen; ` +
            `with a mouse ${heights(withMouse.sizes)} px tall`);
        await page.setViewport({ width: 1100, height: 900 });
        // The page after a conversion: an animation's third page in the
        // preview, its second layer hidden.
        await convert(page, [path.join(bench, 'anim.edg')]);
        await page.click('#files li .show');
        await page.waitForFunction(() => document.getElementById('preview').dataset.shownPage === '0');
        await page.keyboard.press('ArrowRight');
        await page.keyboard.press('ArrowRight');
        await page.click('#layers > li:nth-child(3) li:nth-child(2) input');
        await sleep(500);
        await page.screenshot({ path: screenshot, fullPage: true });
    }
    await browser.close();
    close();
    checkNetwork(browserName, origins, requested, served);
}
await inWebKit();
fs.rmSync(work, { recursive: true, force: true });
if (failures > 0) process.exit(1);
console.log('web stage passed');
