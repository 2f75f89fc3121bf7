import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { convert, openPage, serveSite } from './harness.mjs';
const [site, bench] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'explore-'));
const { origin, close } = await serveSite(site);
const { browser, page } = await openPage(origin, work, work);
import { longestFrameGap, mainThreadWork } from './harness.mjs';
await convert(page, [path.join(bench, 'big.edg')]);
await page.click('#files li .show');
await page.waitForFunction(() => document.getElementById('preview').dataset.shownPage === '0', { timeout: 60000 });
await (await page.$('#pick')).uploadFile(path.join(bench, 'anim.edg'), path.join(bench, 'mid.edg'));
await page.waitForFunction(() => document.querySelectorAll('#files li[data-finished]').length === 3, { timeout: 600000 });
let gap = 0;
const work2 = await mainThreadWork(page, async () => {
    gap = await longestFrameGap(page, async () => {
        await page.click('#save-all');
        await page.click('#save-all');
        for (let i = 0; i < 600 && !fs.readdirSync(work).some((n) => n === 'tomel-psd.zip'); ++i) await new Promise((r) => setTimeout(r, 100));
    });
});
console.log(gap, JSON.stringify(work2));
await browser.close();
close();
