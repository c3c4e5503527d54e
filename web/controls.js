// The ways to play: the keyboard, the on-screen buttons of a touch screen
// and gamepads in the browser's standard mapping. Each sends the game its
// buttons' presses and releases (window.vlimInputs, which the game reads
// at each frame: Services.cpp's pollInputEvent).
'use strict';

(function () {
  // The numbers of the game's own events and buttons (platform/Platform.h).
  var PRESSED = 0, RELEASED = 1, QUIT = 2, FOCUS_LOST = 3;
  var BUTTONS = { Up: 0, Down: 1, Split: 2, Start: 3 };
  // (A test may have put a queue of its own in place.)
  var inputs = window.vlimInputs || (window.vlimInputs = []);

  function send(type, name) {
    inputs.push(type * 8 + (name ? BUTTONS[name] : 0));
  }

  // Who holds each button: a key, a finger, the mouse, a pad. The game hears
  // a button go down when the first holder takes it and up when the last
  // lets go, so a touch and a pad holding Split together make one split.
  var holders = {};  // button name -> { holder: true }

  function hold(holder, name) {
    var of = holders[name] || (holders[name] = {});
    var first = Object.keys(of).length === 0;
    of[holder] = true;
    if (first)
      send(PRESSED, name);
  }

  function release(holder, name) {
    var of = holders[name];
    if (!of || !of[holder])
      return;
    delete of[holder];
    if (Object.keys(of).length === 0)
      send(RELEASED, name);
  }

  function releaseAllOf(holder) {
    Object.keys(holders).forEach(function (name) { release(holder, name); });
  }

  // --- The keyboard ------------------------------------------------------

  // The desktop's keys; Control+C quits. A key held down repeats its
  // keydown, which changes nothing of what it holds. The page's own buttons
  // (Play again, Full screen) keep their keys while they have the focus.
  var KEYS = { ArrowUp: 'Up', ArrowDown: 'Down', Space: 'Split', Enter: 'Start', NumpadEnter: 'Start' };
  document.addEventListener('keydown', function (event) {
    if (event.target instanceof HTMLButtonElement)
      return;
    if (event.ctrlKey && event.code === 'KeyC') {
      event.preventDefault();
      send(QUIT);
      return;
    }
    var name = KEYS[event.code];
    if (!name || event.altKey || event.metaKey || event.ctrlKey)
      return;
    event.preventDefault();  // no scrolling by the arrows or Space
    hold('key' + event.code, name);
  });
  document.addEventListener('keyup', function (event) {
    var name = KEYS[event.code];
    if (name)
      release('key' + event.code, name);
  });

  // --- The on-screen buttons -------------------------------------------

  // A phone or a tablet, whose main pointer is a finger. A computer with a
  // touch screen as well as a mouse keeps the keyboard's page until it is
  // first touched.
  var touchScreen = window.matchMedia ? matchMedia('(pointer: coarse)').matches : 'ontouchstart' in window;
  // The style sheet shows the buttons, and lays the page out for thumbs,
  // only on a touch screen.
  function becomeTouch() {
    if (!document.documentElement.classList.contains('touch')) {
      document.documentElement.classList.add('touch');
      window.dispatchEvent(new Event('resize'));
    }
  }
  if (touchScreen)
    becomeTouch();

  var fingerOn = {};  // touch identifier -> the button it holds

  function buttonAt(touch) {
    var under = document.elementFromPoint(touch.clientX, touch.clientY);
    return under && under.closest ? under.closest('.control') : null;
  }

  // Moves a finger (or the mouse) onto button, or off all with null.
  function place(holder, button) {
    var was = fingerOn[holder] || null;
    if (was === button)
      return;
    if (was) {
      delete fingerOn[holder];
      release(holder, was.dataset.key);
      was.classList.toggle('held', Object.keys(fingerOn).some(function (h) { return fingerOn[h] === was; }));
    }
    if (button) {
      fingerOn[holder] = button;
      hold(holder, button.dataset.key);
      button.classList.add('held');
    }
  }

  function onTouch(event) {
    becomeTouch();
    var target = event.target;
    // The page's other buttons (Play again, Full screen) keep their clicks;
    // everywhere else a finger neither scrolls, zooms nor selects.
    if (event.cancelable && !(target.closest && target.closest('button:not(.control)')))
      event.preventDefault();
    var ending = event.type === 'touchend' || event.type === 'touchcancel';
    for (var i = 0; i < event.changedTouches.length; i++) {
      var touch = event.changedTouches[i];
      var holder = 'touch' + touch.identifier;
      var button = ending ? null : buttonAt(touch);
      // A finger sliding from one button to the next takes it, as a thumb
      // rolls from Up to Down; but a run starts only on a touch of its own.
      if (event.type === 'touchmove' && button && button.dataset.key === 'Start' && fingerOn[holder] !== button)
        button = null;
      place(holder, button);
    }
    if (event.type === 'touchcancel') {
      Object.keys(fingerOn).forEach(function (holder) {
        if (holder.indexOf('touch') === 0)
          place(holder, null);
      });
    }
  }
  ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function (type) {
    document.addEventListener(type, onTouch, { passive: false });
  });

  // A touch screen with a mouse as well: the buttons work while pressed.
  document.querySelectorAll('.control').forEach(function (button) {
    button.addEventListener('mousedown', function (event) {
      event.preventDefault();  // the game's canvas keeps the keyboard
      place('mouse', button);
    });
    button.addEventListener('mouseleave', function () { place('mouse', null); });
  });
  window.addEventListener('mouseup', function () { place('mouse', null); });

  // No long-press menu under a thumb.
  document.addEventListener('contextmenu', function (event) {
    if (document.documentElement.classList.contains('touch'))
      event.preventDefault();
  });

  // --- Gamepads ----------------------------------------------------------

  // The browser's standard mapping: 0 and 1 are the south and east buttons
  // (A, B), 8 Back/Select, 9 Start, 12 and 13 the d-pad's up and down; axis 1
  // is the left stick's vertical, -1 up.
  var padWas = {};  // pad index -> what it held at the last look

  function pressed(pad, number) {
    var button = pad.buttons[number];
    return !!button && (button.pressed || button.value > 0.5);
  }

  function lookAt(pad) {
    var holder = 'pad' + pad.index;
    var stick = pad.axes.length > 1 ? pad.axes[1] : 0;
    var now = {
      Up: pressed(pad, 12) || stick < -0.5,
      Down: pressed(pad, 13) || stick > 0.5,
      Split: pressed(pad, 0) || pressed(pad, 1),
      Start: pressed(pad, 9),
      Quit: pressed(pad, 8),
    };
    var was = padWas[pad.index] || {};
    ['Up', 'Down', 'Split', 'Start'].forEach(function (name) {
      if (now[name] && !was[name])
        hold(holder, name);
      else if (!now[name] && was[name])
        release(holder, name);
    });
    // Back ends the game, as Select does on the handheld.
    if (now.Quit && !was.Quit)
      send(QUIT);
    padWas[pad.index] = now;
  }

  // Pads are looked at once an animation frame, which a hidden page does
  // not have; one that has gone lets go of what it held.
  function lookAtPads() {
    var pads = navigator.getGamepads ? navigator.getGamepads() : [];
    var present = {};
    for (var i = 0; i < pads.length; i++) {
      var pad = pads[i];
      if (pad && pad.connected !== false && pad.mapping === 'standard') {
        present[pad.index] = true;
        lookAt(pad);
      }
    }
    Object.keys(padWas).forEach(function (index) {
      if (!present[index]) {
        releaseAllOf('pad' + index);
        delete padWas[index];
      }
    });
    requestAnimationFrame(lookAtPads);
  }
  requestAnimationFrame(lookAtPads);

  // A page that is hidden or loses the focus lets go of everything: the game
  // forgets what was held (FOCUS_LOST), and the releases that come later,
  // elsewhere, are not waited for. What is still held when the page is back
  // is taken again from the next look at the pads or touch.
  function letGo() {
    Object.keys(fingerOn).forEach(function (holder) {
      fingerOn[holder].classList.remove('held');
      delete fingerOn[holder];
    });
    holders = {};
    Object.keys(padWas).forEach(function (index) {
      var still = padWas[index];
      // Start and Back act when pressed, not again on coming back.
      padWas[index] = { Start: still.Start, Quit: still.Quit };
    });
    send(FOCUS_LOST);
  }
  document.addEventListener('visibilitychange', function () {
    if (document.hidden)
      letGo();
  });
  window.addEventListener('blur', letGo);
})();
