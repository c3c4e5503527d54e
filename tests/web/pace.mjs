// The browser edition's loading and pacing in headless Chromium (a
// benchmark, not a test): what a first visit fetches (the bytes the server
// sends, gzip-compressed) and the time from navigation to the first title
// frame, on the first visit and on a reload from the service worker; then
// frames per second over 10 s on the title screen and 10 s in runs, the
// milliseconds of work per frame (from the end of one wait for the next
// slot to the start of the next wait) and the longest frame, on this
// machine's page and on a phone's under CPU throttling.
//   node pace.mjs SITE_FOLDER [SECONDS]
import { resolve } from 'node:path';
import { launch } from './browser.mjs';
import { serveCounted } from './served.mjs';

const site = resolve(process.argv[2]);
const seconds = Number(process.argv[3] ?? 10);
const VISITS = 5;
const server = await serveCounted(site);
const context = await launch();
try {
  // Milliseconds from navigation to the first frame that has been drawn and
  // handed to the browser (read at the next animation frame).
  const toFirstFrame = async (page) => {
    await page.waitForFunction(() => window.vlim && window.vlim.frames > 0, null, { polling: 'raf' });
    return page.evaluate(() => performance.now());
  };
  const spread = (ms) => {
    const sorted = [...ms].sort((a, b) => a - b);
    return `median ${sorted[sorted.length >> 1].toFixed(0)} ms (${sorted[0].toFixed(0)} to ${sorted[sorted.length - 1].toFixed(0)})`;
  };
  // First visits, each in a fresh profile of its own.
  const firstVisits = [];
  for (let i = 0; i < VISITS; i++) {
    const fresh = await launch();
    try {
      const page = await fresh.newPage();
      const before = server.sent();
      await page.goto(server.url);
      firstVisits.push(await toFirstFrame(page));
      await page.evaluate(() => navigator.serviceWorker.ready);
      await page.waitForTimeout(1000);  // the service worker's copies
      if (i === 0)
        console.log(`first visit: ${server.responses.length} responses, ${server.sent() - before} bytes sent ` +
                    `(${((server.sent() - before) / 1024).toFixed(1)} KiB)`);
    } finally {
      await fresh.close();
    }
  }
  console.log(`first visit: first title frame after ${spread(firstVisits)} over ${VISITS} visits`);

  const page = await context.newPage();
  await page.goto(server.url);
  await toFirstFrame(page);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.waitForTimeout(1000);
  const reloads = [];
  for (let i = 0; i < VISITS; i++) {
    await page.reload();
    reloads.push(await toFirstFrame(page));
  }
  console.log(`reload, from the service worker: first title frame after ${spread(reloads)} over ${VISITS} reloads`);
  await page.close();

  // Pacing on this machine's page, then on a phone's (844x390 CSS pixels,
  // three device pixels each, touch) under Chromium's CPU throttling: 4x
  // slower stands for a mid-range phone, 6x for a low-end one.
  const PHONE = { viewport: { width: 844, height: 390 }, isMobile: true, hasTouch: true, deviceScaleFactor: 3 };
  for (const [where, device, rate] of [['desktop, 1x', {}, 1], ['phone, 4x', PHONE, 4], ['phone, 6x', PHONE, 6]]) {
    const paced = await launch(device);
    try {
      const page = await paced.newPage();
      const cdp = await paced.newCDPSession(page);
      await cdp.send('Emulation.setCPUThrottlingRate', { rate });
      await page.goto(server.url);
      await toFirstFrame(page);
      await page.waitForTimeout(1000);  // past the start and the first catching up
      const measure = async (what, during) => {
        const start = await page.evaluate(() => {
          window.vlim.longestFrameMs = 0;
          return { frames: window.vlim.frames, workMs: window.vlim.workMs, at: performance.now() };
        });
        await during();
        const end = await page.evaluate(() => ({ frames: window.vlim.frames, workMs: window.vlim.workMs,
                                                 at: performance.now(), longest: window.vlim.longestFrameMs }));
        const frames = end.frames - start.frames;
        const perSecond = frames / ((end.at - start.at) / 1000);
        console.log(`${where}, ${what}: ${perSecond.toFixed(2)} frames per second (${frames} frames), ` +
                    `work ${((end.workMs - start.workMs) / frames).toFixed(3)} ms a frame, ` +
                    `longest frame ${end.longest.toFixed(1)} ms`);
      };
      await measure('title screen', () => page.waitForTimeout(seconds * 1000));
      // Start restarts a run: pressed twice a second, it keeps the game in runs.
      await measure('in run', async () => {
        for (let i = 0; i < seconds * 2; i++) {
          await page.keyboard.press('Enter');
          await page.waitForTimeout(500);
        }
      });
    } finally {
      await paced.close();
    }
  }
} finally {
  await context.close();
  server.close();
}
