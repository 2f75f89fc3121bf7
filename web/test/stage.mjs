// The web stage: the built site, served on 127.0.0.1 with a Content-Security-
// Policy that allows only its own origin, driven in Debian's Chromium.
//  1. every given document: each PSD saved through "Save all as .zip" is the
//     native build's output, byte for byte, and each error row shows the
//     native build's line beside its file's name; the damaged files among
//     them stop none of the others;
//  2. a large animation: converts, its progress bar moves, and the PSD saved
//     from its row is the native build's;
//  3. a screenshot with the preview open;
//  4. the whole run asked for nothing but the site's own files.
// Usage: node stage.mjs SITE NATIVE_TOMEL SCREENSHOT LARGE_EDG EDG...
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { unzipSync } from 'fflate';
import { convert, openPage, serveSite } from './harness.mjs';

const [site, nativeTomel, screenshot, large, ...documents] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-web-'));
let failures = 0;
function check(ok, what) {
    if (!ok) {
        failures += 1;
        console.log(`FAILED: ${what}`);
    }
}

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

const { origin, served, close } = await serveSite(site);
const downloads = path.join(work, 'downloads');
fs.mkdirSync(downloads);
const { browser, page, requested } = await openPage(origin, work, downloads);
page.on('pageerror', (error) => check(false, `page error: ${error.message}`));

async function downloaded(name) {
    const file = path.join(downloads, name);
    for (let i = 0; i < 1200 && !(fs.existsSync(file) && !fs.existsSync(file + '.crdownload')); ++i) {
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
    return fs.readFileSync(file);
}

// 1. The documents, in one batch.
const rows = await convert(page, documents);
const expected = documents.map((file) => ({ name: path.basename(file), ...native(file) }));
let converted = 0;
expected.forEach((want, i) => {
    const row = rows[i];
    check(row.name === want.name, `row ${i} is ${row.name}, not ${want.name}`);
    if (want.psd) {
        converted += 1;
        check(row.state === 'converted' && row.output === want.output, `${want.name}: ${row.state} ${row.line ?? ''}`);
    } else {
        check(row.state === 'failed' && row.line === want.line, `${want.name}: "${row.line}", natively "${want.line}"`);
    }
});
await page.click('#save-all');
const zipped = unzipSync(new Uint8Array(await downloaded('tomel-psd.zip')));
check(Object.keys(zipped).length === converted, `the zip holds ${Object.keys(zipped).length} of ${converted} PSDs`);
for (const want of expected.filter((e) => e.psd)) {
    check(zipped[want.output] && Buffer.compare(Buffer.from(zipped[want.output]), want.psd) === 0,
        `${want.output} in the zip differs from the native build's`);
}
console.log(`documents: ${converted} converted, ${expected.length - converted} failed, as the native build`);

// 2. The large animation: its progress, then its PSD.
await page.click('#clear');
await (await page.$('#pick')).uploadFile(large);
const seen = new Set();
while (!(await page.$('#files li[data-state]'))) {
    const value = await page.evaluate(() => document.querySelector('#files progress')?.value);
    if (value > 0 && value < 1) seen.add(value);
    await new Promise((resolve) => setTimeout(resolve, 20));
}
const want = native(large);
const [row] = await page.evaluate(() => [...document.querySelectorAll('#files li')].map((li) => ({ ...li.dataset })));
check(row.state === 'converted' && seen.size >= 2, `${path.basename(large)}: ${row.state}, ${seen.size} progress steps seen`);
await page.click('#files li .save');
check(Buffer.compare(await downloaded(want.output), want.psd) === 0, `${want.output} differs from the native build's`);
console.log(`${path.basename(large)}: converted, ${seen.size} progress steps seen, byte-identical`);

// 3. The page after a conversion, with the preview open.
const example = documents.find((file) => path.basename(file) === 'pages.edg') ?? documents[0];
await convert(page, [example]);
await page.click('#files li .show');
await page.waitForSelector('#preview:not([hidden])');
await page.screenshot({ path: screenshot, fullPage: true });

await browser.close();
close();
// 4. Nothing but the site's own files.
const siteFiles = new Set(['/', ...fs.readdirSync(site).map((f) => '/' + f)]);
for (const url of requested) {
    const local = url.startsWith(origin + '/') && siteFiles.has(new URL(url).pathname);
    check(local || url.startsWith('blob:' + origin + '/'), `a request beyond the site: ${url}`);
}
for (const pathname of served) check(siteFiles.has(pathname), `asked for ${pathname}, not one of the site's files`);
console.log(`network: ${requested.length} requests, ${served.length} served, all of the site's own files`);
fs.rmSync(work, { recursive: true, force: true });
if (failures > 0) process.exit(1);
console.log('web stage passed');
