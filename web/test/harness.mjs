// What the web stage and the benchmark share: the site served on 127.0.0.1
// with the Content-Security-Policy its page declares (allowing only its own
// origin), also as a header, and Debian's Chromium, headless, with nothing
// of its own on the network.
import crypto from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

// The policy index.html declares: written in one place.
function policyOf(site) {
    const page = fs.readFileSync(path.join(site, 'index.html'), 'utf8');
    const declared = /<meta http-equiv="Content-Security-Policy" content="([^"]+)">/.exec(page);
    if (!declared) throw new Error(`${site}/index.html declares no Content-Security-Policy`);
    return declared[1];
}
const types = {
    '.html': 'text/html; charset=utf-8', '.mjs': 'text/javascript', '.js': 'text/javascript', '.css': 'text/css',
    '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json', '.svg': 'image/svg+xml', '.png': 'image/png',
};

// { origin, served (every path asked for), close(), down(bool) }; the files
// whose names match `withheld` are answered 404, as on a site where they are
// missing. With `caching`, the server lets the browser cache as static hosts
// do: Last-Modified and a content ETag, with 304 for a file unchanged, and no
// Cache-Control, so a file modified long ago is fresh in the browser's cache
// for a while. While down, every request fails as on a network gone.
export async function serveSite(site, withheld = /^$/, { caching = false } = {}) {
    const served = [];
    const csp = policyOf(site);
    let isDown = false;
    const server = http.createServer((request, response) => {
        if (isDown) {
            request.socket.destroy();
            return;
        }
        const pathname = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
        served.push(pathname);
        const file = path.join(site, pathname === '/' ? 'index.html' : pathname);
        if (!file.startsWith(site + path.sep) || !fs.existsSync(file) || withheld.test(path.basename(file))) {
            response.writeHead(404).end();
            return;
        }
        const headers = {
            'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
            'Content-Security-Policy': csp,
        };
        if (caching) {
            const modified = fs.statSync(file).mtime;
            const tag = `"${crypto.createHash('sha256').update(fs.readFileSync(file)).digest('hex').slice(0, 16)}"`;
            Object.assign(headers, { 'Last-Modified': modified.toUTCString(), ETag: tag });
            const since = Date.parse(request.headers['if-modified-since'] ?? '');
            if (request.headers['if-none-match'] === tag ||
                (!request.headers['if-none-match'] && since >= Math.floor(modified.getTime() / 1000) * 1000)) {
                response.writeHead(304, headers).end();
                return;
            }
        }
        response.writeHead(200, headers);
        fs.createReadStream(file).pipe(response);
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    return {
        origin: `http://127.0.0.1:${server.address().port}`,
        served,
        close: () => server.close(),
        down: (down) => {
            isDown = down;
            if (down) server.closeAllConnections();
        },
    };
}

// The browser (Debian's Chromium, or Firefox ESR), a page on the site, and
// every URL any of its targets (the page, its workers) asked for, where the
// browser tells. Downloads go to `downloads`.
// `profile`: the browser profile's folder in `work`; `prefs`: Firefox's own
// preferences beside these.
export async function openPage(origin, work, downloads, browserName = 'chromium', { profile = `${browserName}-profile`, prefs = {} } = {}) {
    const firefox = browserName === 'firefox';
    const browser = await puppeteer.launch(firefox ? {
        browser: 'firefox',
        executablePath: '/usr/bin/firefox-esr',
        headless: true,
        userDataDir: path.join(work, profile),
        extraPrefsFirefox: {
            ...prefs,
            'browser.download.folderList': 2,
            'browser.download.dir': downloads,
            'browser.download.useDownloadDir': true,
            'browser.download.always_ask_before_handling_new_types': false,
            'browser.helperApps.neverAsk.saveToDisk': 'application/zip,image/vnd.adobe.photoshop,application/octet-stream',
            'network.captive-portal-service.enabled': false,
            'network.connectivity-service.enabled': false,
            'app.update.enabled': false,
            'browser.safebrowsing.downloads.enabled': false,
        },
    } : {
        executablePath: '/usr/bin/chromium',
        headless: true,
        userDataDir: path.join(work, profile === 'chromium-profile' ? 'profile' : profile),
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
            '--disable-component-update', '--disable-sync', '--disable-default-apps', '--no-default-browser-check'],
    });
    const requested = [];
    if (!firefox) {
        browser.on('targetcreated', (target) => target.createCDPSession().then(async (session) => {
            session.on('Network.requestWillBeSent', ({ request }) => requested.push(request.url));
            await session.send('Network.enable');
        }).catch(() => {}));
    }
    const page = await browser.newPage();
    if (firefox) page.on('request', (request) => requested.push(request.url()));
    // The page asks before it is left with results not saved: the tests leave,
    // and keep the kinds of dialog seen.
    const dialogs = [];
    page.on('dialog', (dialog) => {
        dialogs.push(dialog.type());
        dialog.accept();
    });
    await page.setViewport({ width: 1100, height: 900 });
    if (!firefox) {
        const session = await page.createCDPSession();
        await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    }
    await page.goto(origin + '/?strict', { waitUntil: 'load' });
    return { browser, page, requested, dialogs };
}

// The rows' data, in list order.
export const rowsOf = (page) => page.evaluate(() => [...document.querySelectorAll('#files li')].map((li) => ({ ...li.dataset })));

// Converts the files in one batch; the rows' data once every one is done.
export async function convert(page, files) {
    await page.evaluate(() => document.getElementById('clear').click());
    await (await page.$('#pick')).uploadFile(...files);
    await page.waitForFunction((n) => document.querySelectorAll('#files li[data-finished]').length === n,
        { timeout: 600000, polling: 50 }, files.length);
    return rowsOf(page);
}

// The page's own work on its main thread while `during` runs, from a trace,
// in the thread's time (the CPU it took, not the wall time a busy machine
// stretches), in ms: each piece of script the page ran (an event handler, a
// timer, a message, a frame callback, its microtasks), the longest and in
// all; and the longest copy of a message's data (a structured clone, such as
// PSD bytes posted without a transfer). The browser's own rendering work is
// not the page's. Chromium only.
const scriptEvents = new Set(['FunctionCall', 'EventDispatch', 'TimerFire', 'FireAnimationFrame', 'RunMicrotasks',
    'BlinkScheduler_PerformMicrotaskCheckpoint', 'EvaluateScript', 'v8.evaluateModule', 'v8.run']);
export async function mainThreadWork(page, during) {
    await page.tracing.start({ categories: ['devtools.timeline', 'toplevel', 'blink', '__metadata'] });
    await during();
    const trace = JSON.parse(new TextDecoder().decode(await page.tracing.stop()));
    const events = trace.traceEvents ?? trace;
    const main = new Set(events.filter((e) => e.name === 'thread_name' && e.args?.name === 'CrRendererMain').map((e) => `${e.pid}:${e.tid}`));
    // Script events nest (a handler calling a function): only the outermost count.
    const scripts = events.filter((e) => e.ph === 'X' && scriptEvents.has(e.name) && main.has(`${e.pid}:${e.tid}`))
        .sort((a, b) => a.ts - b.ts);
    const outermost = [];
    for (const e of scripts) {
        const last = outermost.at(-1);
        if (!last || e.pid !== last.pid || e.tid !== last.tid || e.ts >= last.ts + last.dur) outermost.push(e);
    }
    const times = outermost.map((e) => (e.tdur ?? e.dur ?? 0) / 1000);
    const longest = Math.max(0, ...times);
    const top = outermost[times.indexOf(longest)];
    const copies = events.filter((e) => e.ph === 'X' && e.name === 'SerializedScriptValueFactory::create' &&
        main.has(`${e.pid}:${e.tid}`)).map((e) => (e.tdur ?? e.dur ?? 0) / 1000);
    return {
        longest,
        total: times.reduce((a, b) => a + b, 0),
        copy: Math.max(0, ...copies),
        what: top ? `${top.name} ${JSON.stringify(top.args?.data ?? {}).slice(0, 120)}` : '',
    };
}

// The longest time between two frames while `during` runs, in ms.
export async function longestFrameGap(page, during) {
    await page.evaluate(() => {
        const gaps = { longest: 0, last: performance.now(), on: true };
        window.frameGaps = gaps;
        const tick = () => {
            const now = performance.now();
            gaps.longest = Math.max(gaps.longest, now - gaps.last);
            gaps.last = now;
            if (gaps.on) requestAnimationFrame(tick);
        };
        requestAnimationFrame(tick);
    });
    await during();
    return page.evaluate(() => {
        window.frameGaps.on = false;
        return window.frameGaps.longest;
    });
}
