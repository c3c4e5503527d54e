// What the browser test and the web benchmark share: the page served from
// 127.0.0.1, Debian's Chromium started headless, and the game's screen read
// back from the page's canvas.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = dirname(fileURLToPath(import.meta.url));

// Serves site with the project's own server; resolves to its address.
export function serve(site) {
  const server = spawn(process.execPath, [join(here, '../../web/serve.mjs'), site], {
    stdio: ['ignore', 'pipe', 'inherit'],
  });
  return new Promise((resolve, reject) => {
    server.on('error', reject);
    server.on('exit', (code) => reject(new Error(`the web server ended with status ${code}`)));
    server.stdout.once('data', (line) => resolve({ url: String(line).trim(), close: () => server.kill() }));
  });
}

// Chromium, headless, with a profile of its own (so no record is carried
// from one run to the next) and none of its own network traffic, which a
// closed network refuses. device: playwright's context options for another
// screen, e.g. a phone's { viewport, isMobile, hasTouch, deviceScaleFactor }.
export async function launch(device = {}) {
  const profile = mkdtempSync(join(process.env.TMPDIR ?? tmpdir(), 'vlim-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.VLIM_CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1024, height: 768 },
    ...device,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  const close = context.close.bind(context);
  context.close = async () => {
    await close();
    rmSync(profile, { recursive: true, force: true });
  };
  return context;
}

// The game's numbers, printed by its own game_constants (built for Node.js)
// as shell assignments.
export function gameConstants(gameConstantsJs) {
  const text = execFileSync(process.execPath, [gameConstantsJs], { encoding: 'utf8' });
  const values = {};
  for (const [, name, value] of text.matchAll(/(\w+)=('[^']*'|\S+)/g))
    values[name] = value.replace(/'/g, '').split(' ').map(Number);
  return values;
}

// The game's screen as the canvas holds it between two frames: its size and
// at(x, y), the [r, g, b] of a pixel.
export async function readScreen(page) {
  const { width, height, base64 } = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const image = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    let binary = '';
    for (let i = 0; i < image.data.length; i += 0x8000)
      binary += String.fromCharCode.apply(null, image.data.subarray(i, i + 0x8000));
    return { width: image.width, height: image.height, base64: btoa(binary) };
  });
  const data = Buffer.from(base64, 'base64');
  return { width, height, at: (x, y) => [...data.subarray((y * width + x) * 4, (y * width + x) * 4 + 3)] };
}

// Writes a screen readScreen read as a PPM picture in the temporary folder,
// for a failure to show; returns its path.
export function saveScreen(screen, name) {
  const pixels = Buffer.alloc(screen.width * screen.height * 3);
  for (let y = 0; y < screen.height; y++)
    for (let x = 0; x < screen.width; x++)
      pixels.set(screen.at(x, y), (y * screen.width + x) * 3);
  const path = join(process.env.TMPDIR ?? tmpdir(), `${name}-${process.pid}.ppm`);
  writeFileSync(path, Buffer.concat([Buffer.from(`P6 ${screen.width} ${screen.height} 255\n`), pixels]));
  return path;
}

export const sameColour = (a, b) => a[0] === b[0] && a[1] === b[1] && a[2] === b[2];

// A colour of the game's as the screen shows it: 5 bits of red and blue and
// 6 of green, widened with zero bits, as SDL 1.2 shows its 16-bit screen on
// a 32-bit display.
export const shown = ([r, g, b]) => [r & 0xf8, g & 0xfc, b & 0xf8];
