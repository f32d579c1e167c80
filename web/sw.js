/* The page's service worker: it keeps every file of the static folder, so that the page,
 * once loaded, starts again with no network. make_app.py writes it into the folder with
 * the list of the folder's files and the name of their cache, made of a hash of their
 * contents: every build that changes a file changes this script too, and the browser,
 * which asks the server for it at each start, installs it as a new version.
 *
 * A start never waits for the network: the page comes from the cache, while the browser
 * looks for a new version behind it. A new version fills its own cache, takes over once
 * it is complete, and deletes the older builds' caches; the next start shows it. If a
 * file cannot be had while a version installs, that version is dropped with its cache:
 * the page plays on from the network or the older cache, and the next start tries again.
 */
'use strict';

const Cache = '@CACHE@';
const Files = @FILES@;

// Each file straight from the server: the browser's HTTP cache may hold an older build's
// files, most of all when the folder's files carry old dates.
async function fill() {
  const cache = await caches.open(Cache);
  try {
    await Promise.all(Files.map(async (file) => {
      const response = await fetch(new Request(file, { cache: 'reload' }));
      if (!response.ok) throw new Error(`${file}: ${response.status} ${response.statusText}`);
      await cache.put(file, response);
    }));
  } catch (error) {
    await caches.delete(Cache);
    throw error;
  }
}

self.addEventListener('install', (event) => {
  event.waitUntil(fill().then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name !== Cache && name.startsWith('piecettes-')) await caches.delete(name);
    }
    // The page that installed the worker takes its files from the cache from now on.
    await self.clients.claim();
  })());
});

// The folder's files from the cache, and anything else as the worker found it. The page
// is the same whatever its address's query (?lang=): a navigation matches without it.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(Cache);
    const kept = await cache.match(request, { ignoreSearch: request.mode === 'navigate' });
    return kept || fetch(request);
  })());
});
