// The service worker's tidying against stand-ins for the browser's caches
// and tabs: a cache goes only once no open tab can be running it.
import assert from 'node:assert/strict';
import { test } from 'node:test';

const site = 'https://tomel.test/';
globalThis.Request = class extends Request {
    constructor(url, init) {
        super(new URL(url, site), init);
    }
};
globalThis.WindowClient = class {
    constructor(id) {
        this.id = id;
    }
};
class Cache {
    entries = new Map();
    async put(request, response) {
        this.entries.set(request.url, await response.text());
    }
    async match(request) {
        const text = this.entries.get(request.url);
        return text === undefined ? undefined : new Response(text);
    }
    async keys() {
        return [...this.entries.keys()].map((url) => new Request(url));
    }
    async delete(request) {
        return this.entries.delete(request.url);
    }
}
const stored = new Map();
globalThis.caches = {
    open: async (name) => stored.get(name) ?? stored.set(name, new Cache()).get(name),
    keys: async () => [...stored.keys()],
    delete: async (name) => stored.delete(name),
};
const listeners = {};
const tabs = [];
const registration = { installing: null, waiting: null };
globalThis.self = {
    registration,
    clients: { matchAll: async () => tabs, claim: async () => {} },
    addEventListener: (type, listener) => (listeners[type] = listener),
};
await import('../../site/sw.js');

/** Runs the event `type` and waits for what it waits on. */
async function fire(type, fields = {}) {
    const waits = [];
    listeners[type]({ waitUntil: (promise) => waits.push(promise), ...fields });
    await Promise.all(waits);
}
const said = (tab, version) => fire('message', { source: tab, data: { type: 'running', version } });

test('no cache goes that a tab may be running: one that has not said its version, or a version waiting', async () => {
    for (const name of ['tomel-null', 'tomel-old', 'tomel-older']) await caches.open(name);
    const told = new WindowClient('told');
    const quiet = new WindowClient('quiet');
    tabs.push(told, quiet);
    await said(told, 'old');
    await fire('activate');
    assert.deepEqual([...stored.keys()].sort(), ['tomel-null', 'tomel-old', 'tomel-older', 'tomel-tabs']);
    // Every tab told: what none runs goes, unless a new version waits.
    registration.waiting = {};
    await said(quiet, 'old');
    assert.ok(stored.has('tomel-older'));
    registration.waiting = null;
    await fire('activate');
    assert.deepEqual([...stored.keys()].sort(), ['tomel-null', 'tomel-old', 'tomel-tabs']);
});
