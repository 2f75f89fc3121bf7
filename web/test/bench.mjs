// The browser's conversion time against the native build on one CPU
// (taskset -c 0, the whole process writing fresh outputs in a new folder),
// medians of RUNS.
//  - Each FILE.edg: the page's time from the file handed to its worker to its
//    row finished, in a page loaded afresh, so that the module's peak memory
//    reported is this file's own.
//  - Each DIR: all its files in one batch, the page's time from the files
//    added to the last row finished; natively one `tomel psd` of them all.
//  - With --save-all BENCH_DIR: the benchmark's big and anim (and each
//    NAME.edg of --with NAME) converted once, then "Save all" of them RUNS
//    times: each run's time from the click to the zip saved, against
//    `zip -1 -q` of the native PSDs run after it; its longest gap between
//    two frames, and the page's own
//    work on its main thread (thread time, from a trace): its longest script,
//    all its scripts, and its longest copy of a message, as a distribution.
//  - With --add N BENCH_DIR: a folder of N copies of BENCH_DIR/small's files
//    dropped, RUNS times: the page's longest script until every row is
//    shown, and the longest task.
//  - With --export FORMAT BENCH_DIR: the benchmark's anim converted once, then
//    saved from its row in one of tomel-export's formats RUNS times: each
//    run's time from the click to the save told, against `tomel-export
//    FORMAT anim.edg` on one CPU run after it.
//  - With --browser firefox: Firefox ESR instead of Chromium (not for
//    --save-all, whose trace is Chromium's).
// Page and native runs take turns.
// Usage: node bench.mjs SITE NATIVE_TOMEL RUNS [--browser NAME] [--save-all BENCH_DIR [--with NAME]...] [--add N BENCH_DIR]
//     [--export FORMAT BENCH_DIR] (FILE.edg | DIR)...
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { convert, longestFrameGap, mainThreadWork, openPage, serveSite } from './harness.mjs';

const [site, nativeTomel, runsText, ...rest] = process.argv.slice(2)
    .map((a) => (/^(--.*|[0-9]+|chromium|firefox|aseprite|gif|apng|png|sheet|palette)$/.test(a) ? a : path.resolve(a)));
// Options first: --save-all BENCH_DIR, --with NAME (more to save), --add N BENCH_DIR.
let saveAllBench = null;
let addCount = 0;
let addBench = null;
let browserName = 'chromium';
let exportFormat = null;
let exportBench = null;
const saving = ['big', 'anim'];
let inputs = rest;
while (inputs[0]?.startsWith('--')) {
    const [flag, value] = inputs;
    inputs = inputs.slice(2);
    if (flag === '--save-all') saveAllBench = value;
    else if (flag === '--with') saving.push(path.basename(value));
    else if (flag === '--browser') browserName = value;
    else if (flag === '--add') {
        addCount = Number(value);
        addBench = inputs[0];
        inputs = inputs.slice(1);
    } else if (flag === '--export') {
        exportFormat = value;
        exportBench = inputs[0];
        inputs = inputs.slice(1);
    } else throw new Error(`no option ${flag}`);
}
const runs = Number(runsText);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-bench-'));
// The native outputs go to memory where the machine has a tmpfs, as the
// page keeps its PSDs in memory: on a disk, writing big's 600 MB timed the
// disk's writeback (0.5 to 3 s from run to run), not the converter.
const nativeRoot = fs.existsSync('/dev/shm') ? fs.mkdtempSync('/dev/shm/tomel-bench-') : work;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const mib = (bytes) => (bytes / (1 << 20)).toFixed(0);

// The native build on one CPU, converting `files` to fresh outputs, each run
// in a new folder: a folder where a thousand outputs were written and deleted
// before grows slower to write in, run after run.
function nativeMs(files, count = runs) {
    const times = [];
    for (let i = 0; i < count; ++i) {
        const dir = fs.mkdtempSync(path.join(nativeRoot, 'native-'));
        for (const file of files) fs.copyFileSync(file, path.join(dir, path.basename(file)));
        const start = process.hrtime.bigint();
        execFileSync('taskset', ['-c', '0', nativeTomel, 'psd', ...files.map((f) => path.basename(f))], { cwd: dir });
        times.push(Number(process.hrtime.bigint() - start) / 1e6);
        fs.rmSync(dir, { recursive: true, force: true });
    }
    return median(times);
}

// The CPU time (ms) the browser's processes have used so far: its own and
// every process it started, from /proc.
function browserCpuMs() {
    const parents = new Map();
    const ticks = new Map();
    for (const pid of fs.readdirSync('/proc').filter((name) => /^[0-9]+$/.test(name))) {
        try {
            // The fields after the command's name, which may hold spaces.
            const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /, '').split(' ');
            parents.set(Number(pid), Number(fields[1]));
            ticks.set(Number(pid), Number(fields[11]) + Number(fields[12]));
        } catch {
            // gone meanwhile
        }
    }
    const root = browser.process()?.pid;
    let total = 0;
    for (const [pid, used] of ticks) {
        for (let p = pid; p > 1; p = parents.get(p) ?? 0) {
            if (p === root) {
                total += used;
                break;
            }
        }
    }
    return (total * 1000) / 100; // clock ticks of 10 ms
}

// Waits until the browser has used under 2% of a CPU for half a second (at
// most 20 s), so that a native run after it has the machine to itself.
async function browserIdle() {
    const start = performance.now();
    let before = browserCpuMs();
    while (performance.now() - start < 20000) {
        await sleep(500);
        const now = browserCpuMs();
        if (now - before < 10) return;
        before = now;
    }
}

// The page's time for one batch: from the files added to the last row done.
async function batchMs(page, files) {
    await page.evaluate((n) => {
        window.benchDone = new Promise((resolve) => {
            document.getElementById('pick').addEventListener('change', () => {
                window.benchAdded = performance.now();
            }, { capture: true, once: true });
            new MutationObserver((_, observer) => {
                if (document.querySelectorAll('#files li[data-finished]').length === n) {
                    observer.disconnect();
                    resolve(performance.now() - window.benchAdded);
                }
            }).observe(document.getElementById('files'), { subtree: true, attributes: true, childList: true });
        });
    }, files.length);
    const rows = await convert(page, files);
    const failed = rows.find((row) => row.state !== 'converted');
    if (failed) throw new Error(`${failed.name}: ${failed.line}`);
    return { ms: await page.evaluate(() => window.benchDone), rows };
}

const { origin, close } = await serveSite(path.resolve(site));
const { browser, page } = await openPage(origin, work, work, browserName);

// Info-ZIP at its fastest level on the native build's PSDs of the same files,
// timed after each page run so that both see the same machine.
function zipOneMs() {
    const dir = path.join(work, 'native-psds');
    if (!fs.existsSync(dir)) {
        fs.mkdirSync(dir);
        for (const name of saving) fs.copyFileSync(path.join(saveAllBench, `${name}.edg`), path.join(dir, `${name}.edg`));
        execFileSync(nativeTomel, ['psd', ...saving.map((name) => `${name}.edg`)], { cwd: dir });
    }
    const zip = path.join(dir, 'native.zip');
    const start = process.hrtime.bigint();
    execFileSync('zip', ['-1', '-q', zip, ...saving.map((name) => `${name}.psd`)], { cwd: dir });
    const ms = Number(process.hrtime.bigint() - start) / 1e6;
    fs.rmSync(zip);
    return ms;
}

// "Save all" of big and anim, RUNS times.
async function saveAllRuns() {
    await convert(page, saving.map((name) => path.join(saveAllBench, `${name}.edg`)));
    const runsSeen = [];
    for (let i = 0; i < runs; ++i) {
        let gap = 0;
        let ms = 0;
        const taken = await mainThreadWork(page, async () => {
            gap = await longestFrameGap(page, async () => {
                const start = performance.now();
                await page.click('#save-all');
                await page.waitForFunction(() => /saved|could not/.test(document.getElementById('summary').textContent),
                    { timeout: 600000, polling: 50 });
                ms = performance.now() - start;
            });
        });
        await page.evaluate(() => {
            document.getElementById('summary').textContent = '';
        });
        // The zip, once written whole, goes: each run writes its own.
        const zip = path.join(work, 'tomel-psd.zip');
        while (!fs.existsSync(zip) || fs.readdirSync(work).some((name) => name.endsWith('.crdownload'))) await sleep(100);
        fs.rmSync(zip);
        runsSeen.push({ ms, zipMs: zipOneMs(), gap, longest: taken.longest, total: taken.total, copy: taken.copy });
    }
    const spread = (key) => {
        const values = runsSeen.map((run) => run[key]).sort((a, b) => a - b);
        return `min ${values[0].toFixed(1)}, median ${median(values).toFixed(1)}, max ${values.at(-1).toFixed(1)} ms`;
    };
    console.log(`"Save all" of ${saving.join(', ')}, ${runs} runs:`);
    console.log(`  time to the zip saved: ${spread('ms')}; \`zip -1 -q\` of the native PSDs: ${spread('zipMs')}; ` +
        `ratio of medians ${(median(runsSeen.map((run) => run.ms)) / median(runsSeen.map((run) => run.zipMs))).toFixed(2)}`);
    console.log(`  longest frame gap: ${spread('gap')} (each: ${runsSeen.map((run) => run.gap.toFixed(0)).join(', ')})`);
    console.log(`  the page's longest script (thread time): ${spread('longest')}`);
    console.log(`  the page's scripts in all (thread time): ${spread('total')}`);
    console.log(`  the page's longest copy of a message (thread time): ${spread('copy')}`);
}
if (saveAllBench) await saveAllRuns();

// Adding many files at once: a folder of ADD copies of the benchmark's small
// files dropped on the page, RUNS times. Each run's time until every row is
// shown; the page's own longest script (thread time, from a trace); and the
// longest task on its thread, which also holds the browser's own work (its
// handling of the drop: a task of no script, seconds long for thousands of
// files, the same before the page sees a thing).
async function addingRuns(count) {
    const small = path.join(addBench, 'small');
    const originals = fs.readdirSync(small).filter((name) => name.endsWith('.edg')).sort();
    const many = path.join(work, 'many');
    fs.mkdirSync(many);
    for (let i = 0; i < count; ++i) {
        fs.copyFileSync(path.join(small, originals[i % originals.length]), path.join(many, `${String(i).padStart(5, '0')}.edg`));
    }
    const seen = [];
    for (let i = 0; i < runs; ++i) {
        await page.reload({ waitUntil: 'load' });
        await page.evaluate(() => {
            window.longest = 0;
            new PerformanceObserver((entries) => {
                for (const entry of entries.getEntries()) window.longest = Math.max(window.longest, entry.duration);
            }).observe({ type: 'longtask' });
        });
        const session = await page.createCDPSession();
        const data = { items: [], files: [many], dragOperationsMask: 1 };
        let ms = 0;
        const taken = await mainThreadWork(page, async () => {
            const start = performance.now();
            for (const type of ['dragEnter', 'dragOver', 'drop']) await session.send('Input.dispatchDragEvent', { type, x: 500, y: 300, data });
            await page.waitForFunction((n) => document.querySelectorAll('#files li').length === n, { timeout: 600000, polling: 50 }, count);
            ms = performance.now() - start;
        });
        seen.push({ ms, script: taken.longest, what: taken.what, longest: await page.evaluate(() => window.longest) });
        await page.evaluate(() => document.getElementById('clear').click());
    }
    const spread = (key) => {
        const values = seen.map((run) => run[key]).sort((a, b) => a - b);
        return `min ${values[0].toFixed(1)}, median ${median(values).toFixed(1)}, max ${values.at(-1).toFixed(1)} ms`;
    };
    console.log(`A folder of ${count} files dropped, ${runs} runs: every row shown after ${spread('ms')}; ` +
        `the page's longest script ${spread('script')} (the longest: ${seen.reduce((a, b) => (b.script > a.script ? b : a)).what}); ` +
        `the longest task ${spread('longest')}`);
}
if (addCount) await addingRuns(addCount);

// anim saved from its row in another format, RUNS times, against the
// command line making the same files on one CPU.
async function exportRuns(format) {
    const anim = path.join(exportBench, 'anim.edg');
    await convert(page, [anim]);
    await page.click('#files li button.format');
    await page.select('#files li select.format', format);
    const seen = [];
    for (let i = 0; i < runs; ++i) {
        await page.evaluate(() => {
            document.getElementById('summary').textContent = '';
        });
        await browserIdle();
        const start = performance.now();
        await page.click('#files li .save');
        await page.waitForFunction(() => /saved|could not/.test(document.getElementById('summary').textContent),
            { timeout: 600000, polling: 20 });
        const ms = performance.now() - start;
        const dir = fs.mkdtempSync(path.join(nativeRoot, 'export-'));
        fs.copyFileSync(anim, path.join(dir, 'anim.edg'));
        const nativeStart = process.hrtime.bigint();
        execFileSync('taskset', ['-c', '0', path.join(path.dirname(nativeTomel), 'tomel-export'), format, 'anim.edg'], { cwd: dir });
        seen.push({ ms, native: Number(process.hrtime.bigint() - nativeStart) / 1e6 });
        fs.rmSync(dir, { recursive: true, force: true });
        for (const name of fs.readdirSync(work).filter((n) => n.startsWith('anim'))) fs.rmSync(path.join(work, name));
    }
    const b = median(seen.map((run) => run.ms));
    const n = median(seen.map((run) => run.native));
    console.log(`anim as ${format}, ${runs} runs: the page ${b.toFixed(0)} ms from the click to the save told, ` +
        `tomel-export ${n.toFixed(0)} ms on one CPU, ratio ${(b / n).toFixed(2)} ` +
        `(each: ${seen.map((run) => `${run.ms.toFixed(0)}/${run.native.toFixed(0)}`).join(', ')})`);
}
if (exportFormat) await exportRuns(exportFormat);
console.log('input | native 1 CPU ms | browser ms | ratio | body MiB | module peak MiB');
for (const input of inputs) {
    const batch = fs.statSync(input).isDirectory();
    const files = batch ? fs.readdirSync(input).filter((f) => f.endsWith('.edg')).sort().map((f) => path.join(input, f)) : [input];
    const browserMs = [];
    const native = [];
    let peak = 0;
    // Page and native runs take turns, so that both see the machine alike:
    // each native run once the browser is idle, on a page loaded afresh.
    for (let i = 0; i < runs; ++i) {
        if (!batch || i === 0) {
            await page.reload({ waitUntil: 'load' });
            // Its worker started and its module compiled, as for a user who
            // picks a file a moment after the page opened.
            await sleep(1000);
        }
        // The browser's own after-work (its collector, its caches, the
        // store's Blob, the last page's memory) done first: Firefox works
        // on for seconds after big.
        await browserIdle();
        native.push(nativeMs(files, 1));
        const { ms, rows } = await batchMs(page, files);
        browserMs.push(batch ? ms : Number(rows[0].ms));
        if (i === 0) peak = Math.max(...rows.map((row) => Number(row.memory)));
    }
    const n = median(native);
    const b = median(browserMs);
    const body = batch ? 0 : zlib.inflateSync(fs.readFileSync(input).subarray(12)).length;
    const label = batch ? `${path.basename(input)}/ (${files.length} files)` : path.basename(input);
    console.log(`${label} | ${n.toFixed(0)} | ${b.toFixed(0)} | ${(b / n).toFixed(2)} | ${batch ? '' : mib(body)} | ${mib(peak)}`);
    console.log(`  each run, native: ${native.map((ms) => ms.toFixed(0)).join(', ')}; browser: ${browserMs.map((ms) => ms.toFixed(0)).join(', ')}`);
}
await browser.close();
close();
fs.rmSync(work, { recursive: true, force: true });
fs.rmSync(nativeRoot, { recursive: true, force: true });
