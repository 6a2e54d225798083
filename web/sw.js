// SPDX-License-Identifier: MIT
// The service worker: every file of the site cached on the first visit, so the game plays and
// installs offline. The build writes the list and a version made from the files' contents, so a
// new build replaces the old cache whole.
'use strict';

const VERSION = '@VERSION@';
const FILES = [@FILES@];
const CACHE = 'enclova-' + VERSION;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches.keys()
      .then((names) => Promise.all(names.filter((n) => n.startsWith('enclova-') && n !== CACHE)
        .map((n) => caches.delete(n))))
      .then(() => self.clients.claim()));
});

// The cached copy first: the files change only with a new build, which brings a new worker.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(
    caches.open(CACHE).then((cache) =>
      cache.match(event.request, { ignoreSearch: true }).then((hit) => hit || fetch(event.request))));
});
