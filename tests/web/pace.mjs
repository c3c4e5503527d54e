// The browser edition's pacing in headless Chromium (a benchmark, not a
// test): frames per second over 10 s on the title screen and 10 s in runs,
// the milliseconds of work per frame (from the end of one wait for the next
// slot to the start of the next wait), and the longest frame.
//   node pace.mjs SITE_FOLDER [SECONDS]
import { resolve } from 'node:path';
import { launch, serve } from './browser.mjs';

const site = resolve(process.argv[2]);
const seconds = Number(process.argv[3] ?? 10);
const server = await serve(site);
const context = await launch();
try {
  const page = await context.newPage();
  await page.goto(server.url);
  await page.waitForFunction(() => window.vlim.frames > 0);
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
    console.log(`${what}: ${perSecond.toFixed(2)} frames per second (${frames} frames), ` +
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
  await context.close();
  server.close();
}
