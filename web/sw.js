// The service worker: it keeps every file of the page in a cache on the
// first visit, so later visits play without the network. The build puts
// BUILD and FILES before this (web/site.py): a name made from the site's
// content, so that a new build is a new worker, and each file's SHA-256.
// A build's cache is named after the build and the site's folder: copies
// of the site in two folders of one origin keep a cache each, and a new
// build replaces only its own folder's.
'use strict';

var SCOPE = new URL(self.registration.scope).pathname;
var CACHE = BUILD + ' ' + SCOPE;

// The page is fetched at the folder's address, as players open it: kept
// there, it is not fetched twice.
function address(name) {
  return name === 'index.html' ? './' : name;
}

function hex(buffer) {
  return Array.from(new Uint8Array(buffer), function (b) { return (b < 16 ? '0' : '') + b.toString(16); }).join('');
}

// The file as this build has it, or a failure: fetched past the browser's
// cache, which a server's max-age may let hold an older build's copy
// (revalidated first, so an unchanged file is not sent again; then, should
// something between the server and here still hand over another build's
// bytes, fetched again without any cache), and checked against FILES.
function fetchChecked(name) {
  var get = function (mode) {
    return fetch(address(name), { cache: mode }).then(function (response) {
      if (!response.ok)
        throw new Error(name + ': ' + response.status);
      return response.clone().arrayBuffer()
        .then(function (body) { return crypto.subtle.digest('SHA-256', body); })
        .then(function (digest) { return hex(digest) === FILES[name] ? response : null; });
    });
  };
  return get('no-cache')
    .then(function (response) { return response || get('reload'); })
    .then(function (response) {
      if (!response)
        throw new Error(name + ' is not the one this build lists');
      return response;
    });
}

// A build takes over only once its cache holds every one of its files,
// each the one it lists: a file missing or from another build, and this
// worker is dropped, the kept build plays on, and the next visit tries
// again.
self.addEventListener('install', function (event) {
  var names = Object.keys(FILES);
  event.waitUntil(Promise.all(names.map(fetchChecked))
    .then(function (responses) {
      return caches.open(CACHE).then(function (cache) {
        return Promise.all(names.map(function (name, i) { return cache.put(address(name), responses[i]); }));
      });
    })
    .catch(function (error) {
      return caches.delete(CACHE).then(function () { throw error; });
    })
    .then(function () { return self.skipWaiting(); }));
});

// The caches of this folder's older builds: those named for the folder,
// and those of earlier editions (named "vlim-" and the build alone) that
// hold this folder's page.
function olderBuild(name) {
  if (name === CACHE || name.indexOf('vlim-') !== 0)
    return Promise.resolve(false);
  if (name.indexOf(' ') >= 0)
    return Promise.resolve(name.slice(name.indexOf(' ') + 1) === SCOPE);
  return caches.open(name)
    .then(function (cache) { return cache.match(self.registration.scope); })
    .then(function (page) { return !!page; });
}

self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys()
    .then(function (names) {
      return Promise.all(names.map(function (name) {
        return olderBuild(name).then(function (older) { return older && caches.delete(name); });
      }));
    })
    .then(function () { return self.clients.claim(); }));
});

// The page's files from the cache, the page at the folder's address or
// its own; anything else from the network.
self.addEventListener('fetch', function (event) {
  var request = event.request;
  if (request.method !== 'GET')
    return;
  var url = new URL(request.url);
  if (url.origin !== self.location.origin)
    return;
  if (url.pathname.indexOf(SCOPE) !== 0)
    return;
  var name = url.pathname.slice(SCOPE.length) || 'index.html';
  if (!Object.prototype.hasOwnProperty.call(FILES, name))
    return;
  event.respondWith(caches.open(CACHE)
    .then(function (cache) { return cache.match(address(name)); })
    .then(function (cached) { return cached || fetch(request); }));
});
