// Tomel's service worker: every file of the site is cached when it installs,
// and served from that cache first, so that the page works offline after its
// first visit. The build (web/tools/hash-site.mjs) writes the version and the
// list; the files' names carry their content's hash, so a new version is new
// names, cached beside the old until it takes over.
const version = null;
const precache = [];
const cacheName = `tomel-${version}`;

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(precache)));
});

// A new version waits until the page asks it to take over (after the user
// agreed to reload), so that a page never runs on two versions at once.
self.addEventListener('message', (event) => {
    if (event.data?.type === 'take-over') self.skipWaiting();
});

// Once in charge: the old versions' caches go, and open pages are served.
self.addEventListener('activate', (event) => {
    event.waitUntil((async () => {
        for (const name of await caches.keys()) if (name !== cacheName) await caches.delete(name);
        await self.clients.claim();
    })());
});

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith((async () => {
        const cache = await caches.open(cacheName);
        return (await cache.match(event.request, { ignoreSearch: true })) ?? fetch(event.request);
    })());
});
