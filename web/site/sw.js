// @ts-check
// Tomel's service worker (a module): every file of the site is cached when it
// installs, and served from that cache first, so that the page works offline
// after its first visit. The build (web/tools/hash-site.mjs) writes the
// version and the list; the files' names carry their content's hash, so a new
// version is new names, cached beside the old until it takes over.
import { dispatch } from './protocol.mjs';

const sw = /** @type {ServiceWorkerGlobalScope} */ (/** @type {unknown} */ (self));
/** @type {string | null} */
const version = null;
/** @type {string[]} */
const precache = [];
const cacheName = `tomel-${version}`;

// Every file from the network, never from the browser's HTTP cache: a file
// the server's Last-Modified made fresh there would be the old version's,
// cached beside the new ones. addAll refuses a response that is not ok.
sw.addEventListener('install', (event) => {
    event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(precache.map((url) => new Request(url, { cache: 'reload' })))));
});

// A new version waits until the page asks it to take over (after the user
// agreed to reload), so that a page never runs on two versions at once.
/** @type {import('./protocol.mjs').Handlers<import('./protocol.mjs').ToServiceWorker>} */
const handlers = {
    'take-over': () => {
        sw.skipWaiting();
    },
};
sw.addEventListener('message', (event) => dispatch(handlers, event.data));

// Once in charge: the old versions' caches go, and open pages are served.
sw.addEventListener('activate', (event) => {
    event.waitUntil((async () => {
        for (const name of await caches.keys()) if (name !== cacheName) await caches.delete(name);
        await sw.clients.claim();
    })());
});

sw.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith((async () => {
        const cache = await caches.open(cacheName);
        return (await cache.match(event.request, { ignoreSearch: true })) ?? fetch(event.request);
    })());
});
