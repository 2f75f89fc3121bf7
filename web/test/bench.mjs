// The browser's conversion time of each file (in the page's worker, from the
// file handed over to the PSD's last piece), against the native build on one
// CPU (taskset -c 0, the whole process), medians of RUNS; and the module's
// peak memory against the file's inflated body.
// Usage: node bench.mjs SITE NATIVE_TOMEL RUNS EDG...
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { convert, openPage, serveSite } from './harness.mjs';

const [site, nativeTomel, runsText, ...files] = process.argv.slice(2).map((a, i) => (i === 2 ? a : path.resolve(a)));
const runs = Number(runsText);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tomel-bench-'));
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const mib = (bytes) => (bytes / (1 << 20)).toFixed(0);

const { origin, close } = await serveSite(path.resolve(site));
const { browser, page } = await openPage(origin, work, work);
console.log('file | native 1 CPU ms | browser ms | ratio | body MiB | module peak MiB');
for (const file of files.map((f) => path.resolve(f))) {
    const browserMs = [];
    let peak = 0;
    for (let i = 0; i < runs; ++i) {
        const [row] = await convert(page, [file]);
        if (row.state !== 'converted') throw new Error(`${file}: ${row.line}`);
        browserMs.push(Number(row.ms));
        peak = Math.max(peak, Number(row.memory));
    }
    const nativeMs = [];
    fs.copyFileSync(file, path.join(work, 'in.edg'));
    for (let i = 0; i < runs; ++i) {
        const start = process.hrtime.bigint();
        execFileSync('taskset', ['-c', '0', nativeTomel, 'psd', 'in.edg'], { cwd: work });
        nativeMs.push(Number(process.hrtime.bigint() - start) / 1e6);
    }
    const body = zlib.inflateSync(fs.readFileSync(file).subarray(12)).length;
    const n = median(nativeMs);
    const b = median(browserMs);
    console.log(`${path.basename(file)} | ${n.toFixed(0)} | ${b.toFixed(0)} | ${(b / n).toFixed(2)} | ${mib(body)} | ${mib(peak)}`);
}
await browser.close();
close();
fs.rmSync(work, { recursive: true, force: true });
