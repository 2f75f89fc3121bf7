// @ts-check
// Tomel's service worker (a module): every file of the site is cached when it
// installs, and served from that cache first, so that the page works offline
// after its first visit. The build (web/tools/hash-site.mjs) writes the
// version and the list; the files' names carry their content's hash, so a new
// version is new names, cached beside the old.
//
// A tab runs the version it loaded, whole, until its user reloads it: a new
// version serves new pages, an open tab's files still come from its own
// version's cache, and that cache goes only once no open tab runs it.
import { dispatch } from './protocol.mjs';

const sw = /** @type {ServiceWorkerGlobalScope} */ (/** @type {unknown} */ (self));
/** @type {string | null} */
const version = null;
/** @type {string[]} */
const precache = [];
const prefix = 'tomel-';
const cacheName = `${prefix}${version}`;
// Which version each open tab runs, as the tabs said: kept in a cache of its
// own, since this worker may be stopped and started between two events.
const tabsCacheName = 'tomel-tabs';
const tabRecord = (/** @type {string} */ id) => new Request(`./tabs/${encodeURIComponent(id)}`);

// Every file from the network, never from the browser's HTTP cache: a file
// the server's Last-Modified made fresh there would be the old version's,
// cached beside the new ones. addAll refuses a response that is not ok.
sw.addEventListener('install', (event) => {
    event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(precache.map((url) => new Request(url, { cache: 'reload' })))));
});

// Deletes the caches of versions no open tab runs. A tab that has not yet
// said which version it runs may run any, so then nothing goes. Nor while a
// new version is installing or waiting: no tab runs it yet, but its cache is
// what it will serve once a user takes it; it tidies when it takes over.
async function tidy() {
    if (sw.registration.installing || sw.registration.waiting) return;
    const tabs = await caches.open(tabsCacheName);
    const open = await sw.clients.matchAll({ type: 'window', includeUncontrolled: true });
    const openIds = new Set(open.map((client) => tabRecord(client.id).url));
    for (const record of await tabs.keys()) if (!openIds.has(record.url)) await tabs.delete(record);
    const running = new Set([cacheName, tabsCacheName]);
    for (const client of open) {
        const record = await tabs.match(tabRecord(client.id));
        if (!record) return;
        running.add(`${prefix}${await record.text()}`);
    }
    for (const name of await caches.keys()) if (name.startsWith(prefix) && !running.has(name)) await caches.delete(name);
}

sw.addEventListener('message', (event) => {
    const from = event.source instanceof WindowClient ? event.source.id : null;
    /** @type {import('./protocol.mjs').Handlers<import('./protocol.mjs').ToServiceWorker>} */
    const handlers = {
        // A new version waits until a tab's user agreed to reload.
        'take-over': () => {
            sw.skipWaiting();
        },
        running: ({ version: running }) => {
            if (from === null) return;
            event.waitUntil(caches.open(tabsCacheName)
                .then((tabs) => tabs.put(tabRecord(from), new Response(running)))
                .then(tidy));
        },
    };
    dispatch(handlers, event.data);
});

// Once in charge: open pages are served, and the caches no tab runs go.
sw.addEventListener('activate', (event) => {
    event.waitUntil(sw.clients.claim().then(tidy));
});

sw.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith((async () => {
        const options = { ignoreSearch: true };
        const own = await (await caches.open(cacheName)).match(event.request, options);
        if (own) return own;
        // A tab of an older version asks for its own files (a worker it
        // starts), which only its version's cache holds. A new page is
        // always this version's.
        const older = event.request.mode === 'navigate' ? undefined : await caches.match(event.request, options);
        return older ?? fetch(event.request);
    })());
});
