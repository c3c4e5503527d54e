// The page around the game: it checks that the browser can run it, scales
// the 320x240 canvas to the window, starts the game, says when it has ended
// and offers full screen. The touch buttons and gamepads
// are controls.js's.
'use strict';

var canvas = document.getElementById('screen');
var message = document.getElementById('message');
var again = document.getElementById('again');

// A touch screen shows the message over the game while there is one; a
// message that is only news (briefly) leaves the game in view after a while.
var sayingTimer = null;
function say(text, briefly) {
  message.textContent = text;
  document.documentElement.classList.toggle('saying', text !== '');
  clearTimeout(sayingTimer);
  if (briefly)
    sayingTimer = setTimeout(function () { document.documentElement.classList.remove('saying'); }, 5000);
}

// What the page knows of the running game; the tests and the benchmark read
// it too.
var vlim = window.vlim = {
  frames: 0,          // frames that have waited for their slot
  workMs: 0,          // their work, between one wait and the next
  longestFrameMs: 0,  // the longest from one wait's end to the next's
  ended: false,
  exitStatus: null,
  recordKept: true,
  scale: 1,           // device pixels per game pixel
};

// The largest whole number of device pixels per game pixel that fits the
// window beside the text (under it on a narrow window), so every game pixel
// is the same size and its edges stay crisp. On a touch screen the game
// takes all the height beside the buttons (landscape) or all the width above
// them (portrait) instead, not a whole number of device pixels per game
// pixel: a phone's pixels are too fine for uneven game pixels to show, and a
// whole number would leave up to a fifth of its small screen unused.
var TOUCH_SIDE = 108;      // CSS pixels beside the game for each column of buttons
var TOUCH_BELOW = 212;     // and under it for the two columns
function fitCanvas() {
  var ratio = window.devicePixelRatio || 1;
  var scale;
  if (document.documentElement.classList.contains('touch')) {
    var portrait = window.innerHeight >= window.innerWidth;
    var room = Math.min((window.innerWidth - (portrait ? 0 : 2 * TOUCH_SIDE)) / 320,
                        (window.innerHeight - (portrait ? TOUCH_BELOW : 0)) / 240);
    // A multiple of 1/80 makes both sides whole device pixels.
    scale = Math.max(1 / 80, Math.floor(room * ratio * 80) / 80);
  } else {
    var aside = document.querySelector('aside');
    var besides = window.innerWidth >= 320 + 24 + aside.offsetWidth;
    var width = window.innerWidth - (besides ? aside.offsetWidth + 24 : 0);
    var height = window.innerHeight - (besides ? 0 : aside.offsetHeight + 24);
    scale = Math.max(1, Math.floor(Math.min(width * ratio / 320, height * ratio / 240)));
  }
  // Through the style sheet, which says the rest of the canvas's look.
  document.documentElement.style.setProperty('--screen-width', 320 * scale / ratio + 'px');
  document.documentElement.style.setProperty('--screen-height', 240 * scale / ratio + 'px');
  vlim.scale = scale;
}
window.addEventListener('resize', fitCanvas);
fitCanvas();

function ended(text) {
  vlim.ended = true;
  say(text);
  again.hidden = false;
  again.focus();
}
again.addEventListener('click', function () { location.reload(); });

// Full screen where the browser offers it; a phone is then turned
// sideways where the browser lets the page lock that (most refuse outside
// full screen, some always: either way the game plays on).
var root = document.documentElement;
var fullscreenButtons = document.querySelectorAll('.fullscreen');
function fullscreenElement() {
  return document.fullscreenElement || document.webkitFullscreenElement || null;
}
function showFullscreenState() {
  fullscreenButtons.forEach(function (button) {
    button.textContent = fullscreenElement() ? 'Leave full screen' : 'Full screen';
  });
}
function toggleFullscreen() {
  var leave = document.exitFullscreen || document.webkitExitFullscreen;
  var enter = root.requestFullscreen || root.webkitRequestFullscreen;
  var done = fullscreenElement() ? leave.call(document) : enter.call(root);
  Promise.resolve(done).then(function () {
    if (fullscreenElement() && root.classList.contains('touch') && screen.orientation && screen.orientation.lock)
      return screen.orientation.lock('landscape');
  }).catch(function () {});
  canvas.focus();
}
if (document.fullscreenEnabled || document.webkitFullscreenEnabled) {
  fullscreenButtons.forEach(function (button) {
    button.hidden = false;
    button.addEventListener('click', toggleFullscreen);
  });
  document.addEventListener('fullscreenchange', showFullscreenState);
  document.addEventListener('webkitfullscreenchange', showFullscreenState);
}

function start() {
  window.Module = {
    canvas: canvas,
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    onFrame: function (workMs, sleptMs) {
      vlim.frames += 1;
      vlim.workMs += workMs;
      vlim.longestFrameMs = Math.max(vlim.longestFrameMs, workMs + sleptMs);
    },
    onStorageRefused: function (why) {
      vlim.recordKept = false;
      console.info('vlim: no storage for the record: ' + why);
      say('This browser does not keep data for this page, so your record will not be kept.', true);
    },
    onRecordNotFile: function () {
      vlim.recordKept = false;
      say('The stored highscore.dat is not a file, so your record cannot be kept.', true);
    },
    onRecordNotStored: function (why) {
      console.info('vlim: the record was not stored: ' + why);
      say('Your record could not be stored this time.', true);
    },
    onRuntimeInitialized: function () {
      if (vlim.recordKept)
        say('');
      canvas.focus();
    },
    onExit: function (status) {
      vlim.exitStatus = status;
      ended(status === 0 ? 'The game has ended.' : 'The game ended with status ' + status + '.');
    },
    onAbort: function (what) {
      ended('The game stopped: ' + what);
    },
  };
  var script = document.createElement('script');
  script.src = 'vlim.js';
  script.onerror = function () { say('vlim.js could not be loaded.'); };
  document.body.appendChild(script);
}

if (location.protocol === 'file:') {
  say('vlim cannot start from a file: serve this folder over HTTP (tools/web --serve) and open its address.');
} else if (typeof WebAssembly !== 'object') {
  say('This browser cannot run WebAssembly, which vlim needs.');
} else {
  start();
}
