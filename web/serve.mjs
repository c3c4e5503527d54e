// Serves a folder over HTTP on 127.0.0.1 only, as a web host would: with the
// types a browser needs for WebAssembly, the manifest and the service
// worker, compressed with gzip where the browser takes it, and with an ETag,
// so that a browser revalidating a file it holds is not sent it again.
// Prints the address on its first line; with --log, then one line for each
// response: its status, the bytes of its body as sent, and the path. Files
// are sent "no-cache" (the browser asks each time whether its copy is
// current); --max-age=SECONDS lets the browser keep them that long without
// asking instead, as many static hosts do.
//   node web/serve.mjs FOLDER [PORT] [--log] [--max-age=SECONDS]    PORT 0 (the default) picks a free one
import { createServer } from 'node:http';
import { createHash } from 'node:crypto';
import { readFile, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { gzipSync } from 'node:zlib';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.css': 'text/css; charset=utf-8',
  '.webmanifest': 'application/manifest+json; charset=utf-8',
  '.json': 'application/json; charset=utf-8',
};
// PNG is compressed already.
const COMPRESSED = new Set(['.png']);

const args = process.argv.slice(2);
const log = args.includes('--log');
const maxAge = args.find((arg) => arg.startsWith('--max-age='))?.slice('--max-age='.length);
const [folder, portArg] = args.filter((arg) => !arg.startsWith('--'));
const root = resolve(folder ?? '.');
const port = Number(portArg ?? 0);

// Each file's bodies and tag, made again when the file changes.
const files = new Map();
async function load(file) {
  const { mtimeMs, size } = await stat(file);
  const known = files.get(file);
  if (known && known.mtimeMs === mtimeMs && known.size === size)
    return known;
  const body = await readFile(file);
  const tag = `W/"${createHash('sha256').update(body).digest('base64url').slice(0, 22)}"`;
  const gzip = COMPRESSED.has(extname(file)) ? null : gzipSync(body, { level: 9 });
  const entry = { mtimeMs, size, body, gzip: gzip && gzip.length < body.length ? gzip : null, tag };
  files.set(file, entry);
  return entry;
}

const server = createServer(async (request, response) => {
  const path = new URL(request.url, 'http://127.0.0.1').pathname;
  const send = (status, headers, body) => {
    response.writeHead(status, headers).end(request.method === 'HEAD' ? undefined : body);
    if (log)
      console.log(`${status} ${request.method === 'HEAD' || !body ? 0 : body.length} ${path}`);
  };
  if (request.method !== 'GET' && request.method !== 'HEAD')
    return send(405, {});
  try {
    const file = normalize(join(root, decodeURIComponent(path.endsWith('/') ? path + 'index.html' : path)));
    if (file !== root && !file.startsWith(root + sep))
      return send(403, {});
    const entry = await load(file);
    const headers = { 'Cache-Control': maxAge ? `max-age=${maxAge}` : 'no-cache', ETag: entry.tag, Vary: 'Accept-Encoding' };
    if (request.headers['if-none-match'] === entry.tag)
      return send(304, headers);
    headers['Content-Type'] = TYPES[extname(file)] ?? 'application/octet-stream';
    let body = entry.body;
    if (entry.gzip && /\bgzip\b/.test(request.headers['accept-encoding'] ?? '')) {
      body = entry.gzip;
      headers['Content-Encoding'] = 'gzip';
    }
    headers['Content-Length'] = body.length;
    send(200, headers, body);
  } catch {
    send(404, { 'Content-Type': 'text/plain' }, 'not found\n');
  }
});

server.listen(port, '127.0.0.1', () => {
  console.log(`http://127.0.0.1:${server.address().port}/`);
});
