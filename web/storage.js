// The record's folder in the browser (linked before the game's code with
// --pre-js): "highscore.dat" lives in /vlim, which IndexedDB keeps between
// visits through Emscripten's IDBFS. The folder is loaded before the game
// starts and stored after each save (commitRecordFolder in Services.cpp).
// Where the browser refuses storage (a private window, IndexedDB blocked)
// the game plays on with the folder in memory and the page says the record
// will not be kept.

var RECORD_FOLDER = '/vlim';
var STORAGE_TIMEOUT_MS = 5000;  // a browser that never answers has refused
var recordStored = false;       // IndexedDB took the folder when it loaded

// One transfer between the folder and IndexedDB at a time: work(done).
var transfers = Promise.resolve();
function inTurn(work) {
  transfers = transfers.then(function () { return new Promise(work); });
  return transfers;
}

// Another tab of the game that stores the folder says so here, and this
// tab loads it: a save re-reads the record and keeps the better of each
// figure, as two games in one folder do on the desktop, so a tab whose run
// was weaker never stores over a better record from another.
var otherTabs = typeof BroadcastChannel == 'function' ? new BroadcastChannel('vlim record folder') : null;

function load(done) {
  FS.syncfs(true, function (error) {
    if (error)
      storageRefused(String(error));
    done();
  });
}

// Calls back with null when IndexedDB opens the folder's database, or with
// the reason it did not. IDBFS reports an open that fails inside its own
// callbacks badly, so the page asks first.
function probeStorage(done) {
  var answered = false;
  var answer = function (why) {
    if (!answered) {
      answered = true;
      done(why);
    }
  };
  setTimeout(function () { answer('IndexedDB did not answer'); }, STORAGE_TIMEOUT_MS);
  try {
    var request = indexedDB.open(RECORD_FOLDER, IDBFS.DB_VERSION);
    request.onsuccess = function () {
      request.result.close();
      answer(null);
    };
    request.onerror = function (event) {
      event.preventDefault();
      answer(String(request.error || 'IndexedDB refused'));
    };
    request.onblocked = function () { answer('IndexedDB is blocked'); };
    // The first visit: IDBFS makes the store when it opens the same version.
    request.onupgradeneeded = function () {
      request.transaction.abort();
      answer(null);
    };
  } catch (e) {
    answer(String(e));
  }
}

function storageRefused(why) {
  recordStored = false;
  if (Module.onStorageRefused)
    Module.onStorageRefused(why);
}

Module.preRun = (Module.preRun || []).concat(function () {
  FS.mkdir(RECORD_FOLDER);
  FS.mount(IDBFS, {}, RECORD_FOLDER);
  FS.chdir(RECORD_FOLDER);
  addRunDependency('record folder');
  probeStorage(function (why) {
    if (why) {
      storageRefused(why);
      removeRunDependency('record folder');
      return;
    }
    recordStored = true;
    inTurn(load).then(function () { removeRunDependency('record folder'); });
  });
});

if (otherTabs) {
  otherTabs.onmessage = function () {
    if (recordStored)
      inTurn(load);
  };
}

// Stores the folder; resolves once IndexedDB has it, or at once where the
// browser refused storage. A failure to store is said on the page, and the
// game goes on.
Module.storeRecordFolder = function () {
  return inTurn(function (done) {
    if (!recordStored)
      return done();
    FS.syncfs(false, function (error) {
      if (error)
        storageRefused(String(error));
      else if (otherTabs)
        otherTabs.postMessage('stored');
      done();
    });
  });
};
