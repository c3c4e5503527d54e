// The browser edition installed and light, in Debian's Chromium: a first
// visit fetches each file of the site once and stays within its transfer
// budget, the service worker keeps them all, and with the network cut a
// reload plays; the browser is asked to keep the record and the game plays
// when it refuses; a new build's worker, behind a server that lets the
// browser keep files, replaces its folder's cache only with the build's own
// files and leaves another folder's alone, and one not whole never takes
// over; the manifest's icons are PNGs of their stated sizes.
//   node install.test.mjs SITE_FOLDER GAME_CONSTANTS_JS
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { appendFileSync, cpSync, writeFileSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { gameConstants, launch, readScreen, sameColour, shown } from './browser.mjs';
import { serveCounted } from './served.mjs';

const [site, constantsJs] = process.argv.slice(2).map((path) => resolve(path));
const C = gameConstants(constantsJs);
const web = join(dirname(fileURLToPath(import.meta.url)), '../../web');

// What a first visit may fetch, gzip-compressed, in all: a phone's first
// visit on a slow network.
const BUDGET_BYTES = 60 * 1024;

const TEXT = shown(C.TEXT_RGB);
const isText = (rgb) => sameColour(rgb, TEXT);

// The game's text pixels on the title screen, once it has drawn them.
async function titleText(page) {
  const end = Date.now() + 10000;
  for (;;) {
    const s = await readScreen(page);
    const mask = [];
    let count = 0;
    for (let y = 0; y < s.height; y++)
      for (let x = 0; x < s.width; x++) {
        mask.push(isText(s.at(x, y)) ? 1 : 0);
        count += mask[mask.length - 1];
      }
    if (count > 300)
      return { mask: mask.join(''), count };
    assert.ok(Date.now() < end, 'timed out waiting for the title screen');
    await page.waitForTimeout(50);
  }
}

// Return starts a run: the band appears at the head column.
async function startRun(page) {
  await page.keyboard.press('Enter');
  const end = Date.now() + 5000;
  const head = C.HEAD_COLUMN[0];
  for (;;) {
    const s = await readScreen(page);
    const band = shown(C.BAND_RGB);
    if (sameColour(s.at(head, C.BAND_FIRST_ROW[0]), band) && sameColour(s.at(head, C.BAND_LAST_ROW[0]), band))
      return;
    assert.ok(Date.now() < end, 'timed out waiting for a run');
    await page.waitForTimeout(20);
  }
}

// The page's service worker once it is active; the names of the caches and
// the paths that the page's cache holds.
async function workerCaches(page) {
  return page.evaluate(async () => {
    const registration = await Promise.race([navigator.serviceWorker.ready,
      new Promise((resolve, reject) => setTimeout(() => reject(new Error('no service worker became active')), 10000))]);
    const names = await caches.keys();
    const held = await Promise.all(names.map(async (name) =>
      (await (await caches.open(name)).keys()).map((r) => new URL(r.url).pathname.slice(1) || 'index.html').sort()));
    return { script: registration.active.scriptURL, names, held };
  });
}

// Opens a page that records console errors, and where the browser refuses
// to keep the page's storage.
async function openPage(context, problems) {
  const page = await context.newPage();
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`uncaught: ${e.message}`));
  await page.addInitScript(() => {
    window.persistAsked = 0;
    navigator.storage.persisted = () => Promise.resolve(false);
    navigator.storage.persist = () => { window.persistAsked += 1; return Promise.resolve(false); };
  });
  return page;
}

test('a first visit within its budget, each file once; offline afterwards; storage asked for', async () => {
  const files = readdirSync(site).sort();
  const server = await serveCounted(site);
  const context = await launch();
  try {
    const problems = [];
    const page = await openPage(context, problems);
    await page.goto(server.url);
    await titleText(page);
    const cached = await workerCaches(page);
    await page.waitForTimeout(500);  // what the page may still fetch

    // Every file of the site (the worker aside) is kept, in one cache,
    // named for the build and the site's folder.
    assert.equal(cached.names.length, 1);
    assert.match(cached.names[0], /^vlim-[0-9a-f]{16} \/$/);
    assert.deepEqual(cached.held[0], files.filter((name) => name !== 'sw.js'));

    // Each file was sent once, in full; the worker's copies of what the page
    // had fetched were revalidated, not sent again.
    const sentWhole = server.responses.filter((r) => r.status === 200).map((r) => r.path.slice(1) || 'index.html');
    assert.deepEqual([...sentWhole].sort(), files, `sent: ${sentWhole.join(' ')}`);
    console.log(`# a first visit: ${server.responses.length} responses, ${server.sent()} bytes sent`);
    assert.ok(server.sent() <= BUDGET_BYTES, `a first visit sent ${server.sent()} bytes, over ${BUDGET_BYTES}`);
    assert.equal(await page.evaluate(() => window.persistAsked), 1, 'the browser was asked to keep the storage');

    // Without the network, a reload plays from the worker's cache.
    const before = server.responses.length;
    await context.setOffline(true);
    await page.reload();
    await titleText(page);
    await startRun(page);
    assert.equal(server.responses.length, before, 'nothing was fetched offline');
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null));
    assert.deepEqual(problems, []);
  } finally {
    await context.close();
    server.close();
  }
});

test('a new build arrives whole on the next visit behind max-age, and leaves another folder\'s copy alone', async () => {
  const root = mkdtempSync(join(process.env.TMPDIR ?? tmpdir(), 'vlim-site-'));
  const copy = join(root, 'a'), other = join(root, 'b');
  cpSync(site, copy, { recursive: true });
  cpSync(site, other, { recursive: true });
  // A host that lets the browser keep each file ten minutes without asking.
  const server = await serveCounted(root, '--max-age=600');
  const context = await launch();
  try {
    const page = await context.newPage();
    await page.goto(server.url + 'b/');
    await titleText(page);
    const kept = (await workerCaches(page)).names[0];
    await page.goto(server.url + 'a/');
    await titleText(page);
    const old = await workerCaches(page);
    const oldCache = old.names.find((name) => name !== kept);
    assert.deepEqual(old.names.map((name) => name.split(' ')[1]).sort(), ['/a/', '/b/']);

    // The next build: one file changed, and the worker made again. The
    // browser's own copy of the old file is still fresh.
    const makeWorker = () => execFileSync('python3', [join(web, 'site.py'), 'worker', join(web, 'sw.js'), copy, join(copy, 'sw.js')]);
    appendFileSync(join(copy, 'page.js'), '\n// the next build\n');
    makeWorker();
    // The next visit finds the new worker, which takes over: the page asks
    // for it (install.js), and the test once more, in case that was missed.
    // Chromium queues the look and starts it when it sees fit: on a busy
    // machine its request for sw.js has gone out up to a minute after the
    // ask, so the limit is twice that; asking again only queues behind it.
    await page.reload();
    await page.evaluate(() => { navigator.serviceWorker.getRegistration().then((r) => r.update()).catch(() => {}); });
    for (const end = Date.now() + 120000; ; await page.waitForTimeout(500)) {
      const names = await page.evaluate(() => caches.keys());
      if (names.length === 2 && names.includes(kept) && !names.includes(oldCache))
        break;
      assert.ok(Date.now() < end, `timed out waiting for the new cache: ${names.join(', ')}`);
    }
    await page.reload();
    await titleText(page);
    const served = await page.evaluate(() => fetch('page.js').then((r) => r.text()));
    assert.ok(served.endsWith('// the next build\n'), 'the next visit plays the new build');
    assert.notEqual((await workerCaches(page)).names.find((name) => name !== kept), oldCache);

    // A build whose worker lists a file that the host does not send (here
    // the one before it): the worker never takes over, and the kept build
    // plays on.
    const current = readFileSync(join(copy, 'page.js'));
    appendFileSync(join(copy, 'page.js'), '// a build not all there\n');
    makeWorker();
    writeFileSync(join(copy, 'page.js'), current);
    const before = await page.evaluate(() => caches.keys());
    const outcome = await page.evaluate(async () => {
      const registration = await navigator.serviceWorker.getRegistration();
      await registration.update();
      const worker = registration.installing;
      return worker ? new Promise((done) => {
        const settled = () => ['installed', 'activating', 'activated', 'redundant'].includes(worker.state) && done(worker.state);
        worker.addEventListener('statechange', settled);
        settled();
      }) : 'no new worker';
    });
    assert.equal(outcome, 'redundant');
    assert.deepEqual((await page.evaluate(() => caches.keys())).sort(), before.sort());

    // Offline, both folders play their own kept builds.
    await context.setOffline(true);
    await page.reload();
    await titleText(page);
    assert.ok((await page.evaluate(() => fetch('page.js').then((r) => r.text()))).endsWith('// the next build\n'));
    await page.goto(server.url + 'b/');
    await titleText(page);
    await startRun(page);
  } finally {
    await context.close();
    server.close();
    rmSync(root, { recursive: true, force: true });
  }
});

test('the manifest, its icons at their stated sizes', async () => {
  const server = await serveCounted(site);
  const context = await launch();
  try {
    const page = await context.newPage();
    await page.goto(server.url);
    const manifestUrl = await page.evaluate(() => document.querySelector('link[rel=manifest]').href);
    const manifest = await (await page.request.get(manifestUrl)).json();
    assert.ok(manifest.name && manifest.short_name);
    assert.ok(['fullscreen', 'standalone'].includes(manifest.display));
    assert.equal(manifest.orientation, 'landscape');
    assert.match(manifest.theme_color, /^#[0-9a-f]{6}$/i);
    assert.match(manifest.background_color, /^#[0-9a-f]{6}$/i);
    assert.deepEqual(manifest.icons.map((icon) => icon.sizes).sort(), ['192x192', '512x512']);
    for (const icon of manifest.icons) {
      const response = await page.request.get(new URL(icon.src, manifestUrl).href);
      assert.equal(response.status(), 200, icon.src);
      const png = await response.body();
      // The signature, then the header chunk: width and height.
      assert.equal(png.subarray(0, 8).toString('hex'), '89504e470d0a1a0a', `${icon.src} is a PNG`);
      assert.equal(png.subarray(12, 16).toString(), 'IHDR');
      assert.equal(`${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`, icon.sizes, icon.src);
      assert.equal(icon.type, 'image/png');
    }
  } finally {
    await context.close();
    server.close();
  }
});
