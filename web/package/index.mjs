// facemeld for node: copies a Wavefront .obj mesh and joins pairs of its
// triangles into quads, as the command line does: from bytes in memory
// (quadrify), or from one file to another, read and written in pieces
// (quadrifyFile).
import {
  closeSync, constants, fchmodSync, fchownSync, fstatSync, lstatSync, openSync, readFileSync, readSync, realpathSync,
  renameSync, statSync, unlinkSync, writeSync,
} from 'node:fs';
import { createRequire } from 'node:module';
import { basename, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const require = createRequire(import.meta.url);
const modules = {};

// The module of one thread, or the one with threads, each started once.
function engine(options) {
  const threads = options == null ? undefined : options.threads;
  const name = threads === undefined || threads === 1 ? './facemeld' : './facemeld-threads';
  // Given its WebAssembly, which the module would otherwise fetch.
  return (modules[name] ??= require(name + '.js')({ wasmBinary: readFileSync(new URL(name + '.wasm', import.meta.url)) }));
}

// The bytes of any ArrayBufferView or ArrayBuffer, as a Uint8Array over
// the same memory.
function bytesOf(input) {
  if (ArrayBuffer.isView(input)) return new Uint8Array(input.buffer, input.byteOffset, input.byteLength);
  const tag = Object.prototype.toString.call(input);
  if (tag === '[object ArrayBuffer]' || tag === '[object SharedArrayBuffer]') return new Uint8Array(input);
  throw new TypeError('quadrify takes the bytes of a mesh as an ArrayBufferView (a Uint8Array, a Buffer ...) or an ArrayBuffer');
}

export async function quadrify(input, options) {
  const bytes = bytesOf(input);
  const module = await engine(options);
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
    write(view) {
      parts.push(view.slice());
      size += view.length;
    },
  };
  const counts = await module.quadrify(source, options, sink);
  if (parts.length === 1) return { output: parts[0], ...counts };
  const output = new Uint8Array(size);
  let at = 0;
  for (const piece of parts) output.set(piece, at), (at += piece.length);
  return { output, ...counts };
}

// The system's reasons as the command line gives them on Linux; any other
// in node's words.
const reasons = {
  EACCES: 'Permission denied', EBUSY: 'Device or resource busy', EDQUOT: 'Disk quota exceeded', EEXIST: 'File exists',
  EFBIG: 'File too large', EIO: 'Input/output error', EISDIR: 'Is a directory', ELOOP: 'Too many levels of symbolic links',
  EMFILE: 'Too many open files', ENAMETOOLONG: 'File name too long', ENOENT: 'No such file or directory',
  ENOSPC: 'No space left on device', ENOTDIR: 'Not a directory', EPERM: 'Operation not permitted',
  EROFS: 'Read-only file system', EXDEV: 'Invalid cross-device link',
};

// A failure of quadrifyFile: the command line's complaint about `path`,
// with the system's reason when `cause` (an error of node's) gives one.
function failure(kind, path, complaint, cause) {
  let reason = '';
  if (cause && cause.code) {
    const said = /^[A-Z0-9_]+: ([^,]*)/.exec(cause.message);
    reason = reasons[cause.code] || (said ? said[1][0].toUpperCase() + said[1].slice(1) : cause.code);
  }
  const e = new Error(reason ? `${complaint} (${reason})` : complaint, cause ? { cause } : undefined);
  return Object.assign(e, { failure: kind, path, code: cause && cause.code });
}

function pathOf(p, which) {
  if (typeof p === 'string') return p;
  if (p instanceof URL) return fileURLToPath(p);
  throw new TypeError(`quadrifyFile takes the ${which} as a path (a string or a file: URL)`);
}

// The hidden files that copies under way are writing, removed should node
// exit before they are done.
const unfinished = new Set();
process.on('exit', () => unfinished.forEach((f) => { try { unlinkSync(f); } catch {} }));

// Where the copy to `path` is written: a file opened in place (a device, a
// FIFO, a file with several names), or a new hidden file beside the one
// that it replaces once the copy is complete, with that file's owner and
// permissions. A symbolic link is followed.
function openOutput(path) {
  let target = path, st = null;
  try {
    if (lstatSync(path).isSymbolicLink()) target = realpathSync(path);
    st = statSync(target);
  } catch {}
  if (st && (!st.isFile() || st.nlink > 1)) {
    try {
      return { fd: openSync(path, 'w') };
    } catch (e) {
      throw failure('open', path, "I can't open this file", e);
    }
  }
  try {
    if (st) closeSync(openSync(target, constants.O_WRONLY));  // a file that may not be written is not replaced either
  } catch (e) {
    throw failure('open', path, "I can't open this file", e);
  }
  const folder = dirname(target);
  for (let tries = 0; ; tries++) {
    const temp = join(folder, `.${basename(target)}.${Math.random().toString(36).slice(2, 8).padEnd(6, '0')}`);
    try {
      unfinished.add(temp);
      const fd = openSync(temp, constants.O_WRONLY | constants.O_CREAT | constants.O_EXCL, 0o666);
      if (st) {
        try { fchownSync(fd, st.uid, st.gid); } catch {}
        fchmodSync(fd, st.mode & 0o7777);
      }
      return { fd, temp, target };
    } catch (e) {
      unfinished.delete(temp);
      if (e.code === 'EEXIST' && tries < 100) continue;
      // A folder that is missing is the output's failure; one that takes no
      // new file, the folder's.
      let isFolder = false;
      try { isFolder = statSync(folder).isDirectory(); } catch {}
      throw isFolder && e.code !== 'ENOENT'
        ? failure('open', folder, "I can't make a new file in this folder", e)
        : failure('open', path, "I can't open this file", e);
    }
  }
}

// Closes the output and, after a complete copy, puts it in place; else, or
// when that fails, removes the hidden file. Returns what kept a complete
// copy from its place, or null.
function closeOutput(out, complete) {
  let error = null;
  try {
    closeSync(out.fd);
    if (complete && out.temp) renameSync(out.temp, out.target);
  } catch (e) {
    error = e;
  }
  if (out.temp && (!complete || error)) try { unlinkSync(out.temp); } catch {}
  unfinished.delete(out.temp);
  return complete ? error : null;
}

export async function quadrifyFile(input, output, options) {
  const from = pathOf(input, 'input'), to = pathOf(output, 'output');
  const module = await engine(options);
  module.settings(options);  // the options checked before any file is touched
  let fd, st;
  try {
    fd = openSync(from, 'r');
    st = fstatSync(fd);
  } catch (e) {
    if (fd !== undefined) closeSync(fd);
    throw failure('open', from, "I can't open this file", e);
  }
  let out = null;
  try {
    let o = null;
    try { o = statSync(to); } catch {}
    if (o && o.dev === st.dev && o.ino === st.ino) throw failure('same', from, "I can't copy a file to itself");
    out = openOutput(to);
    let read = null, written = null;
    const source = {
      size: st.size,
      read(view, at) {
        try {
          return readSync(fd, view, 0, view.length, at);
        } catch (e) {
          throw (read = e);
        }
      },
    };
    const sink = {
      write(view) {
        try {
          for (let at = 0; at < view.length;) at += writeSync(out.fd, view, at);
        } catch (e) {
          throw (written = e);
        }
      },
    };
    let counts;
    try {
      counts = await module.quadrify(source, options, sink);
    } catch (e) {
      if (written) throw failure('write', to, "I can't write this file", written);
      if (read) throw failure('read', from, "I can't read this file", read);
      throw Object.assign(e, { path: e.failure === 'write' ? to : from });
    }
    const e = closeOutput(out, true);
    out = null;
    if (e) throw failure('write', to, "I can't write this file", e);
    return counts;
  } finally {
    if (out) closeOutput(out, false);
    closeSync(fd);
  }
}
