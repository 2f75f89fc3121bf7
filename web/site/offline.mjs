// @ts-check
// Installed or not, the page works offline after its first visit: its service
// worker caches the site. This tab runs the version it loaded until its user
// reloads it: a new version is offered, never forced, in every open tab. The
// page also says when the device is offline.
import { byId } from './dom.mjs';
import { toServiceWorker } from './protocol.mjs';

export async function serveOffline() {
    if (!('serviceWorker' in navigator) || location.protocol === 'file:') return;
    const hadController = Boolean(navigator.serviceWorker.controller);
    const registration = await navigator.serviceWorker.register('./sw.js', { type: 'module' });
    // The build writes the version into the page; the service worker keeps
    // its files while this tab is open.
    const version = document.documentElement.dataset.version ?? '';
    navigator.serviceWorker.ready.then((ready) => ready.active?.postMessage(toServiceWorker.running({ version })));
    const update = byId('update');
    const reloadButton = byId('update-reload');
    let reloading = false;
    /** @param {ServiceWorker | null} waiting the new version, or null once another tab took it */
    const offer = (waiting) => {
        update.hidden = false;
        reloadButton.onclick = () => {
            reloading = true;
            if (waiting && waiting.state === 'installed') waiting.postMessage(toServiceWorker.takeOver());
            else location.reload();
        };
    };
    if (registration.waiting && hadController) offer(registration.waiting);
    registration.addEventListener('updatefound', () => {
        const incoming = registration.installing;
        incoming?.addEventListener('statechange', () => {
            if (incoming.state === 'installed' && navigator.serviceWorker.controller) offer(incoming);
        });
    });
    // A new version in charge: this tab reloads if its user asked to; any
    // other keeps running its own version (its files stay cached) and offers
    // the new one. The first version takes over a page it did not serve.
    navigator.serviceWorker.addEventListener('controllerchange', () => {
        if (reloading) location.reload();
        else if (hadController) offer(null);
    });
    setInterval(() => registration.update().catch(() => {}), 60 * 60 * 1000);
}

export function showConnection() {
    const offline = byId('offline');
    const shown = () => {
        offline.hidden = navigator.onLine;
    };
    window.addEventListener('online', shown);
    window.addEventListener('offline', shown);
    shown();
}
