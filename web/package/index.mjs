// facemeld for node: copies a Wavefront .obj mesh held in memory and joins
// pairs of its triangles into quads, as the command line does.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const modules = {};

// The module of one thread, or the one with threads, each started once.
function engine(threaded) {
  const name = threaded ? './facemeld-threads' : './facemeld';
  // Given its WebAssembly, which the module would otherwise fetch.
  return (modules[name] ??= require(name + '.js')({ wasmBinary: readFileSync(new URL(name + '.wasm', import.meta.url)) }));
}

export async function quadrify(bytes, options = {}) {
  if (!(bytes instanceof Uint8Array)) throw new TypeError('quadrify takes the bytes of a mesh as a Uint8Array');
  const threads = options.threads ?? 1;
  const module = await engine(threads !== 1);
  const parts = [];
  let size = 0;
  const source = {
    size: bytes.length,
    read(view, at) {
      const piece = bytes.subarray(at, at + view.length);
      view.set(piece);
      return piece.length;
    },
  };
  const sink = {
    write(piece) {
      parts.push(piece);
      size += piece.length;
    },
  };
  const counts = await module.quadrify(source, { ...options, threads }, sink);
  if (parts.length === 1) return { output: parts[0], ...counts };
  const output = new Uint8Array(size);
  let at = 0;
  for (const piece of parts) output.set(piece, at), (at += piece.length);
  return { output, ...counts };
}
