// The service worker: it keeps every file of the page in a cache on the
// first visit, so later visits play without the network. The build puts
// CACHE and FILES before this (web/site.py): the site's file names and a
// cache named after their content, so that a new build is a new worker,
// whose cache replaces the old one.
'use strict';

self.addEventListener('install', function (event) {
  // The browser's own cache revalidates each file (the server marks them
  // no-cache), so the files the page has just fetched are not sent again.
  event.waitUntil(caches.open(CACHE)
    .then(function (cache) { return cache.addAll(FILES.map(address)); })
    .then(function () { return self.skipWaiting(); }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys()
    .then(function (names) {
      return Promise.all(names.filter(function (name) { return name.indexOf('vlim-') === 0 && name !== CACHE; })
        .map(function (name) { return caches.delete(name); }));
    })
    .then(function () { return self.clients.claim(); }));
});

// The page is fetched at the folder's address, as players open it: kept
// there, it is not fetched twice.
function address(name) {
  return name === 'index.html' ? './' : name;
}

// The page's files from the cache, the page at the folder's address or
// its own; anything else from the network.
self.addEventListener('fetch', function (event) {
  var request = event.request;
  if (request.method !== 'GET')
    return;
  var url = new URL(request.url);
  if (url.origin !== self.location.origin)
    return;
  var scope = new URL(self.registration.scope);
  if (url.pathname.indexOf(scope.pathname) !== 0)
    return;
  var name = url.pathname.slice(scope.pathname.length) || 'index.html';
  if (FILES.indexOf(name) < 0)
    return;
  event.respondWith(caches.open(CACHE)
    .then(function (cache) { return cache.match(address(name)); })
    .then(function (cached) { return cached || fetch(request); }));
});
