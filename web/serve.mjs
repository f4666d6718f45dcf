// Serves the page's folder on 127.0.0.1, cross-origin isolated (the two
// headers that let the page copy on threads) unless --plain is given.
// Prints the address once it listens.
//
//   node web/serve.mjs FOLDER [PORT] [--plain]
import { createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';

const args = process.argv.slice(2);
const plain = args.includes('--plain');
const [folder, port = '8000'] = args.filter((a) => a !== '--plain');
const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
};

const server = createServer((request, response) => {
  const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
  const file = join(folder, normalize(path.endsWith('/') ? path + 'index.html' : path).replace(/^(\.\.[/\\])+/, ''));
  let size;
  try {
    size = statSync(file).isFile() ? statSync(file).size : -1;
  } catch {
    size = -1;
  }
  const headers = { 'Cache-Control': 'no-store' };
  if (!plain) {
    headers['Cross-Origin-Opener-Policy'] = 'same-origin';
    headers['Cross-Origin-Embedder-Policy'] = 'require-corp';
  }
  if (size < 0) {
    response.writeHead(404, { ...headers, 'Content-Type': 'text/plain' });
    return response.end('not found\n');
  }
  response.writeHead(200, { ...headers, 'Content-Type': types[extname(file)] || 'application/octet-stream', 'Content-Length': size });
  createReadStream(file).pipe(response);
});
server.listen(Number(port), '127.0.0.1', () => {
  console.log(`facemeld: serving ${folder} at http://127.0.0.1:${server.address().port}/${plain ? '' : ' (cross-origin isolated)'}`);
});
