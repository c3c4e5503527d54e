// The browser edition played in Debian's Chromium, judged by the canvas's
// pixels: the title screen's walls where the column formula puts them and
// its title drawn; Return starts a run, Space splits the band; a run that
// beats the record, which a reload's title screen shows again from
// IndexedDB; Control+C ends the game and the page says so; a browser that
// refuses storage, a page opened from a file and a browser without
// WebAssembly. No console error anywhere.
//   node browser.test.mjs SITE_FOLDER GAME_CONSTANTS_JS
import assert from 'node:assert/strict';
import { resolve } from 'node:path';
import { after, before, test } from 'node:test';
import { gameConstants, launch, readScreen, sameColour, serve } from './browser.mjs';

const [site, constantsJs] = process.argv.slice(2).map((path) => resolve(path));
const C = gameConstants(constantsJs);
const [CEILING_RADIAN, FLOOR_RADIAN, AMPLITUDE, CEILING_MIDLINE, FLOOR_MIDLINE] = C.CAVE_FORMULA;
const HEAD = C.HEAD_COLUMN[0];

let server;
before(async () => { server = await serve(site); });
after(() => server.close());

// Runs play(open) in a fresh browser profile, where open(setUp) opens a
// page (setUp runs in it before the page's own scripts); then checks that
// no page logged a console error or threw an uncaught exception.
async function inFreshBrowser(play) {
  const context = await launch();
  try {
    const problems = [];
    await play(async (setUp) => {
      const page = await context.newPage();
      page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
      page.on('pageerror', (e) => problems.push(`uncaught: ${e.message}`));
      if (setUp)
        await page.addInitScript(setUp);
      return page;
    });
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
  }
}

// Waits until check(screen) holds for the canvas, or fails with what.
async function waitForScreen(page, what, check, timeoutMs = 5000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const screen = await readScreen(page);
    if (check(screen))
      return screen;
    assert.ok(Date.now() < end, `timed out waiting for ${what}`);
    await page.waitForTimeout(20);
  }
}

const isWall = (rgb) => sameColour(rgb, C.WALL_RGB);
const isBand = (rgb) => sameColour(rgb, C.BAND_RGB);
const isText = (rgb) => sameColour(rgb, C.TEXT_RGB);

// The title word, drawn in the text colour over the top left.
const titleShown = (s) => {
  let count = 0;
  for (let y = 0; y < 60; y++)
    for (let x = 30; x < 160; x++)
      count += isText(s.at(x, y));
  return count > 100;
};

// The band-coloured runs of rows in a screen column.
function bandRuns(s, x) {
  const runs = [];
  for (let y = 0; y < s.height; y++) {
    if (!isBand(s.at(x, y)))
      continue;
    if (runs.length && runs[runs.length - 1][1] === y - 1)
      runs[runs.length - 1][1] = y;
    else
      runs.push([y, y]);
  }
  return runs;
}

// One band as thick as a fresh one: a merged band. A half that is left
// when the other hits a wall is half as thick.
const BAND_ROWS = C.BAND_LAST_ROW[0] - C.BAND_FIRST_ROW[0] + 1;
const whole = (s) => {
  const runs = bandRuns(s, HEAD);
  return runs.length === 1 && runs[0][1] - runs[0][0] + 1 >= BAND_ROWS - 1;
};

// The cave's columns by the formula: f, the column number as a float, is
// divided in single precision; cos, sin and the product in double,
// truncated toward zero.
const ceilingOf = (n) => Math.trunc(Math.cos(Math.fround(Math.fround(n) / CEILING_RADIAN)) * AMPLITUDE) + CEILING_MIDLINE;
const floorOf = (n) => Math.trunc(Math.sin(Math.fround(Math.fround(n) / FLOOR_RADIAN)) * AMPLITUDE) + FLOOR_MIDLINE;

// The column number at the screen's left edge whose walls the screen shows:
// in every column whose wall edges no text covers (text is drawn over the
// walls), the ceiling ends and the floor begins exactly on the formula's
// rows, in the walls' colour, and at least three quarters are judged.
// Returns it with the columns judged.
function cavePosition(s, searched = 200000) {
  const WALL = 1, OPEN = 2, TEXT = 3;
  const kind = new Uint8Array(s.width * s.height);
  for (let y = 0; y < s.height; y++) {
    for (let x = 0; x < s.width; x++) {
      const rgb = s.at(x, y);
      kind[y * s.width + x] = isWall(rgb) ? WALL : sameColour(rgb, [0, 0, 0]) || isBand(rgb) ? OPEN : TEXT;
    }
  }
  const at = (x, y) => kind[y * s.width + x];
  for (let first = 0; first < searched; first++) {
    let judged = 0, missed = 0;
    for (let x = 0; x < s.width && missed === 0; x++) {
      const top = ceilingOf(first + x), bottom = floorOf(first + x);
      const seen = [at(x, top - 1), at(x, top), at(x, bottom - 1), at(x, bottom)];
      if (seen.includes(TEXT))
        continue;
      judged++;
      missed += seen.join() !== [WALL, OPEN, OPEN, WALL].join();
    }
    if (missed === 0 && judged >= s.width * 0.75)
      return { first, judged };
  }
  return { first: -1, judged: 0 };
}

// The pixels in the text colour where the title screen shows the record.
function recordText(s) {
  const mask = [];
  for (let y = 88; y < 136; y++)
    for (let x = 80; x < s.width; x++)
      mask.push(isText(s.at(x, y)) ? 1 : 0);
  return mask.join('');
}

// highscore.dat as IndexedDB holds it for the page: Emscripten's IDBFS keeps
// each file of the folder /vlim under its path. With text, stores that
// instead, as IDBFS would.
function storedRecord(page, text) {
  return page.evaluate((text) => new Promise((done, fail) => {
    const open = indexedDB.open('/vlim');
    open.onerror = () => fail(open.error);
    open.onsuccess = () => {
      const db = open.result;
      const store = db.transaction('FILE_DATA', text === undefined ? 'readonly' : 'readwrite').objectStore('FILE_DATA');
      const request = text === undefined ? store.get('/vlim/highscore.dat')
        : store.put({ timestamp: new Date(), mode: 0o100644, contents: new TextEncoder().encode(text) },
                    '/vlim/highscore.dat');
      request.onerror = () => fail(request.error);
      request.onsuccess = () => {
        db.close();
        done(request.result?.contents ? new TextDecoder().decode(request.result.contents) : null);
      };
    };
  }), text);
}

// Plays a run that banks a split (a half may hit a wall first: then it
// starts again), then flies up into the ceiling; returns the title screen
// that follows. With firstChecks, the fresh band and the split are judged.
async function playBankedRun(page, firstChecks = false) {
  let merged = false;
  for (let run = 0; run < 5 && !merged; run++) {
    await page.keyboard.press('Enter');
    const started = await waitForScreen(page, 'a run', (s) => bandRuns(s, HEAD).length === 1);
    if (run === 0 && firstChecks)
      assert.deepEqual(bandRuns(started, HEAD), [[C.BAND_FIRST_ROW[0], C.BAND_LAST_ROW[0]]]);
    await page.keyboard.down(' ');
    await waitForScreen(page, 'two bands', (s) => bandRuns(s, HEAD).length === 2);
    await page.waitForTimeout(150);
    // The README's picture of the page (tools/screenshots).
    if (run === 0 && firstChecks && process.env.VLIM_WEB_PICTURE)
      await page.screenshot({ path: process.env.VLIM_WEB_PICTURE });
    await page.keyboard.up(' ');
    merged = whole(await waitForScreen(page, 'the halves to merge or die', (s) => bandRuns(s, HEAD).length < 2));
  }
  assert.ok(merged, 'no run of five banked its split');
  await page.keyboard.down('ArrowUp');
  const title = await waitForScreen(page, 'the title screen after the run', titleShown, 10000);
  await page.keyboard.up('ArrowUp');
  return title;
}

const message = (page) => page.locator('#message').textContent();

test('the title screen, a run, a split, a record kept across a reload, the end', () => inFreshBrowser(async (open) => {
  const page = await open();
  await page.goto(server.url);
  const title = await waitForScreen(page, 'the title screen', titleShown);

  // The walls where the formula puts them, in their colour; the page
  // scales the canvas by a whole number and gives it the keyboard.
  const cave = cavePosition(title);
  console.log(`# the title screen's walls: the formula's from column ${cave.first}, judged at ${cave.judged} columns`);
  assert.ok(cave.first >= 0 && cave.judged >= title.width * 0.75,
    `the walls match the formula from column ${cave.first}, judged at ${cave.judged} screen columns`);
  const layout = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const box = canvas.getBoundingClientRect();
    return { width: box.width, height: box.height, focused: document.activeElement === canvas,
             rendering: getComputedStyle(canvas).imageRendering, scale: window.vlim.scale };
  });
  assert.deepEqual(layout, { width: 640, height: 480, focused: true, rendering: 'pixelated', scale: 2 });
  assert.equal(await page.evaluate(() => document.title), 'vlim');
  const emptyRecord = recordText(title);
  assert.ok(emptyRecord.includes('1'), 'the record is drawn');
  assert.equal(await storedRecord(page), null);

  // Return starts a run: the band's head at its column and rows. Holding
  // Space splits it in two. The run banks a split and ends.
  const afterRun = await playBankedRun(page, true);

  // The title screen came after the save had been stored.
  const record = await storedRecord(page);
  const [marker, score, time] = (record ?? '').split(' ');
  assert.match(record ?? '', /^-1 \d+ [0-9.e+-]+$/, `the stored record: ${record}`);
  assert.ok(marker === '-1' && Number(score) >= 0 && Number(time) > 0, `the stored record: ${record}`);
  const newRecord = recordText(afterRun);
  assert.notEqual(newRecord, emptyRecord, 'the title screen shows the new record');

  await page.reload();
  const reloaded = await waitForScreen(page, 'the title screen after a reload', titleShown);
  assert.equal(recordText(reloaded), newRecord, 'after a reload the title screen shows the record');
  assert.equal(await storedRecord(page), record);

  // A damaged record counts as none, as on the desktop, and the game plays.
  await storedRecord(page, 'garbage\0\xff');
  await page.reload();
  const damaged = await waitForScreen(page, 'the title screen with a damaged record', titleShown);
  assert.equal(recordText(damaged), emptyRecord, 'a damaged record shows as none');

  // Control+C ends the game; the page says so and nothing runs on.
  await page.keyboard.press('Control+c');
  await page.waitForFunction(() => window.vlim.ended);
  assert.equal(await page.evaluate(() => window.vlim.exitStatus), 0);
  assert.equal(await message(page), 'The game has ended.');
  assert.ok(await page.locator('#again').isVisible());
  const frames = await page.evaluate(() => window.vlim.frames);
  await page.waitForTimeout(200);
  assert.equal(await page.evaluate(() => window.vlim.frames), frames, 'frames after the end');
  await page.locator('#again').click();
  await waitForScreen(page, 'the title screen of the game started again', titleShown);
}));

test('a better record that another tab stored is kept by a weaker run in this one', () => inFreshBrowser(async (open) => {
  const page = await open();
  await page.goto(server.url);
  await waitForScreen(page, 'the title screen', titleShown);
  // What another tab's save leaves: the record in IndexedDB, and word
  // of it to every tab of the game.
  const better = '-1 99999 999';
  await storedRecord(page, better);
  await page.evaluate(() => new BroadcastChannel('vlim record folder').postMessage('stored'));
  await playBankedRun(page);
  assert.equal(await storedRecord(page), better);
}));

test('a browser that refuses storage plays, and the page says the record will not be kept', () => inFreshBrowser(async (open) => {
  const page = await open(() => {
    Object.defineProperty(window, 'indexedDB', {
      get: () => ({ open: () => { throw new DOMException('storage is blocked', 'SecurityError'); } }),
    });
  });
  // A window too small for the page: it may be scrolled, but not by
  // the game's keys.
  await page.setViewportSize({ width: 400, height: 300 });
  await page.goto(server.url);
  await waitForScreen(page, 'the title screen', titleShown);
  assert.match(await message(page), /record will not be kept/);
  assert.ok(await page.evaluate(() => document.documentElement.scrollHeight > innerHeight));
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press(' ');
  assert.equal(await page.evaluate(() => scrollY), 0, 'the game\'s keys scroll the page');
  await page.keyboard.press('Enter');
  await waitForScreen(page, 'a run', (s) => bandRuns(s, HEAD).length === 1);
  await page.keyboard.down('ArrowUp');
  await waitForScreen(page, 'the title screen after the run', titleShown, 10000);
  await page.keyboard.up('ArrowUp');
  assert.equal(await page.evaluate(() => window.vlim.ended), false);
}));

test('a page opened from a file, or in a browser without WebAssembly, says why in one line', () => inFreshBrowser(async (open) => {
  const page = await open();
  await page.goto(`file://${site}/index.html`);
  assert.match(await message(page), /cannot start from a file: serve this folder over HTTP/);
  const noWasm = await open(() => { delete window.WebAssembly; });
  await noWasm.goto(server.url);
  assert.equal(await message(noWasm), 'This browser cannot run WebAssembly, which vlim needs.');
}));
