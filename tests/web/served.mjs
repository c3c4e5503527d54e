// The page served with the project's own server, counting what it sends:
// for the install test and the benchmark, which judge a visit's transfer.
import { spawn } from 'node:child_process';
import { dirname, join } from 'node:path';
import { createInterface } from 'node:readline';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));

// Serves site (options: serve.mjs's, e.g. '--max-age=600'); resolves to its
// address, the responses so far ({ status, bytes, path }, bytes as sent,
// compressed), sent() the sum of their bytes, and close().
export function serveCounted(site, ...options) {
  const server = spawn(process.execPath, [join(here, '../../web/serve.mjs'), site, '0', '--log', ...options], {
    stdio: ['ignore', 'pipe', 'inherit'],
  });
  const responses = [];
  return new Promise((resolve, reject) => {
    server.on('error', reject);
    server.on('exit', (code) => reject(new Error(`the web server ended with status ${code}`)));
    const lines = createInterface({ input: server.stdout });
    lines.once('line', (url) => {
      lines.on('line', (line) => {
        const [status, bytes, path] = line.split(' ');
        responses.push({ status: Number(status), bytes: Number(bytes), path });
      });
      resolve({
        url: url.trim(),
        responses,
        sent: () => responses.reduce((sum, r) => sum + r.bytes, 0),
        close: () => server.kill(),
      });
    });
  });
}
