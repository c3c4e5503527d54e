// The record in the browser (linked before the game's code with --pre-js):
// the game works in /vlim, an in-memory folder, and IndexedDB keeps its
// "highscore.dat" between visits. The stored record is read into the folder
// before the game starts; after each save, commitRecordFolder
// (Services.cpp) stores it through Module.storeRecord, which reads the
// stored record, keeps the better of each figure and writes it in one
// read-write transaction: IndexedDB runs those one at a time across every
// tab, so no tab's save is lost to another's. Nothing else is stored and
// nothing is deleted. Every transfer has a time limit: a browser that is
// slow or never answers costs the record of this visit, never a kept one,
// and never stops the game. Where the browser refuses storage (a private
// window, IndexedDB blocked), or the stored record is not a file, the game
// plays on with the folder in memory and the page says the record will not
// be kept. Each record stored is told to the game's other tabs, whose
// title screens then show it.

var RECORD_FOLDER = '/vlim';
// Where the earlier editions' IDBFS kept the folder: the record is found
// where they stored it, in their layout, which they can read in turn.
var RECORD_DB = RECORD_FOLDER, RECORD_DB_VERSION = 21, RECORD_STORE = 'FILE_DATA';
var RECORD_KEY = RECORD_FOLDER + '/highscore.dat';
var STORAGE_TIMEOUT_MS = 5000;  // a browser that has not answered by then has refused
var recordDb = null;            // open once the stored record has loaded; null: nothing is stored

// Calls back once with why (null: done) when work(finish) finishes, or
// with a time-out after STORAGE_TIMEOUT_MS, after which finish does nothing.
function inTime(what, work, done) {
  var finished = false;
  var finish = function (why) {
    if (!finished) {
      finished = true;
      clearTimeout(timer);
      done(why);
    }
  };
  var timer = setTimeout(function () { finish(what + ': IndexedDB did not answer in time'); }, STORAGE_TIMEOUT_MS);
  try {
    work(finish);
  } catch (e) {
    finish(what + ': ' + e);
  }
  return function () { return finished; };
}

// The game's other tabs of this origin, told of each record stored, with
// its text; a channel does not hear its own word. Earlier editions' tabs
// listen here too and read their folder again on any word; theirs
// ('stored', no record) is nothing to take in. Open once the stored record
// has loaded, which holds whatever was told before.
var otherTabs = null;

// A record stored: the better of each figure of it and the folder's goes
// into the folder (never a figure less: the game's own save may be waiting
// for IndexedDB, and is stored from the folder), and where that is news the
// title screen reads it (recordChangedElsewhere, Services.cpp). A
// highscore.dat that is not a file is left alone. Before the game has
// started (betterRecord is offered as it starts) the folder holds nothing
// of its own.
function takeInRecord(text) {
  var found = FS.analyzePath(RECORD_KEY);
  if (found.exists && !FS.isFile(found.object.mode))
    return;
  var better = Module.betterRecord;
  if (better) {
    FS.writeFile(better.path, text);
    text = better.text();
  }
  if (found.exists && FS.readFile(RECORD_KEY, { encoding: 'utf8' }) === text)
    return;
  FS.writeFile(RECORD_KEY, text);
  Module.recordNews = true;
}

function hearOtherTabs() {
  if (typeof BroadcastChannel != 'function')
    return;
  otherTabs = new BroadcastChannel('vlim record folder');
  otherTabs.onmessage = function (event) {
    if (event.data && typeof event.data.record == 'string')
      takeInRecord(event.data.record);
  };
  // A game that has ended takes nothing in: its code no longer runs.
  addOnExit(function () {
    otherTabs.close();
    otherTabs = null;
  });
}

function isFolder(entry) {
  return entry && typeof entry.mode == 'number' && FS.isDir(entry.mode);
}

function bytesOf(entry) {
  var contents = entry && entry.contents;
  if (contents instanceof ArrayBuffer)
    return new Uint8Array(contents);
  return ArrayBuffer.isView(contents) ? new Uint8Array(contents.buffer, contents.byteOffset, contents.byteLength)
                                      : new Uint8Array(0);
}

// Opens the database (making its store on a first visit, as IDBFS made
// it) and reads the stored record into the folder.
function loadRecord(done) {
  var db = null;
  var finished = inTime('loading the record', function (finish) {
    var request = indexedDB.open(RECORD_DB, RECORD_DB_VERSION);
    request.onupgradeneeded = function () {
      var store = request.result.objectStoreNames.contains(RECORD_STORE)
        ? request.transaction.objectStore(RECORD_STORE) : request.result.createObjectStore(RECORD_STORE);
      if (!store.indexNames.contains('timestamp'))
        store.createIndex('timestamp', 'timestamp', { unique: false });
    };
    request.onerror = function (event) {
      event.preventDefault();
      finish(String(request.error || 'IndexedDB refused'));
    };
    request.onsuccess = function () {
      db = request.result;
      if (finished())  // too late: the game has started without it
        return db.close();
      var get = db.transaction(RECORD_STORE, 'readonly').objectStore(RECORD_STORE).get(RECORD_KEY);
      get.onerror = function (event) {
        event.preventDefault();
        finish(String(get.error));
      };
      get.onsuccess = function () {
        var entry = get.result;
        if (finished())
          return;
        if (isFolder(entry)) {
          FS.mkdir(RECORD_KEY);  // as the desktop's game finds it: never replaced
          finish('not a file');
        } else {
          if (entry)
            FS.writeFile(RECORD_KEY, bytesOf(entry));
          finish(null);
        }
      };
    };
  }, function (why) {
    if (why === null)
      recordDb = db;
    else if (db)
      db.close();
    done(why);
  });
}

Module.preRun = (Module.preRun || []).concat(function () {
  FS.mkdir(RECORD_FOLDER);
  FS.chdir(RECORD_FOLDER);
  addRunDependency('record');
  loadRecord(function (why) {
    if (why === 'not a file')
      Module.onRecordNotFile && Module.onRecordNotFile();
    else if (why !== null)
      Module.onStorageRefused && Module.onStorageRefused(why);
    hearOtherTabs();
    removeRunDependency('record');
  });
});

// Stores the better of each figure of the record in the folder and the
// stored one, as Services.cpp's betterRecord reads them (the stored one
// from its path). Resolves once IndexedDB has it, or has
// failed, or the time is up, or at once where nothing is stored. A failure
// is said on the page, and the game goes on. Once stored, the record is
// told to the other tabs and taken in here: it may hold another's figure.
Module.storeRecord = function () {
  return new Promise(function (resolve) {
    if (!recordDb)
      return resolve();
    var transaction = null, text = null;
    var finished = inTime('storing the record', function (finish) {
      transaction = recordDb.transaction(RECORD_STORE, 'readwrite');
      transaction.oncomplete = function () { finish(null); };
      transaction.onabort = function () { finish(String(transaction.error || 'the store was abandoned')); };
      var store = transaction.objectStore(RECORD_STORE);
      var get = store.get(RECORD_KEY);
      get.onsuccess = function () {
        if (finished() || isFolder(get.result))
          return transaction.abort();
        var better = Module.betterRecord;
        if (get.result)
          FS.writeFile(better.path, bytesOf(get.result));
        else if (FS.analyzePath(better.path).exists)
          FS.unlink(better.path);
        text = better.text();
        store.put({ timestamp: new Date(), mode: 0x81a4 /* a file, rw-r--r-- */, contents: new TextEncoder().encode(text) },
                  RECORD_KEY);
      };
    }, function (why) {
      // Too late, it is taken back where IndexedDB still lets it; one that
      // commits later is still the one whole step.
      if (why !== null) {
        try {
          if (transaction)
            transaction.abort();
        } catch (e) {}
        Module.onRecordNotStored && Module.onRecordNotStored(why);
      } else {
        otherTabs && otherTabs.postMessage({ record: text });
        takeInRecord(text);
      }
      resolve();
    });
  });
};
