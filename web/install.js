// Makes the page an installable game that plays offline: the service
// worker (sw.js) keeps the page's files, and the browser is asked to keep
// the page's storage, where the record lives, when it clears space. Either
// may be refused (a private window, a page not served over HTTPS or from
// this machine); the game plays on without them.
'use strict';

(function () {
  if (location.protocol === 'file:')
    return;
  // Linked here, from the page's head, rather than in the page: a page
  // opened from a file may not fetch them, and says so in the console. The
  // game's script and WebAssembly are fetched at once, beside the page's
  // own scripts, rather than after them.
  var link = function (rel, href, as) {
    var element = document.createElement('link');
    element.rel = rel;
    element.href = href;
    if (as)
      element.as = as;
    if (as === 'fetch')
      element.crossOrigin = 'anonymous';  // as the game's own fetch asks
    document.head.appendChild(element);
  };
  link('manifest', 'manifest.webmanifest');
  link('preload', 'vlim.js', 'script');
  link('preload', 'vlim.wasm', 'fetch');
  // Registered once the page has loaded (the preloads above hold the load
  // back): the files are in the browser's cache, and the worker's copies of
  // them cost no second download. A page the worker served asks for a new
  // build each visit: found, it is fetched now and played on the next.
  var register = function () {
    navigator.serviceWorker.register('sw.js')
      .then(function (registration) {
        if (navigator.serviceWorker.controller)
          return registration.update().catch(function () {});  // offline: the kept build plays
      })
      .catch(function (error) { console.info('vlim: the page will not play offline: ' + error); });
  };
  if ('serviceWorker' in navigator)
    window.addEventListener('load', register);
  if (navigator.storage && navigator.storage.persist) {
    navigator.storage.persisted()
      .then(function (kept) { return kept || navigator.storage.persist(); })
      .then(function (kept) {
        if (!kept)
          console.info('vlim: the browser may clear the record when it needs space');
      })
      .catch(function (error) { console.info('vlim: no answer on keeping the record: ' + error); });
  }
})();
