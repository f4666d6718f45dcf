// The copy, off the page's thread: the page posts a File, the options and
// the copy's number; the worker refuses a file that is not text, reads the
// file in pieces into the engine, which it loads on the first copy (with
// threads where the page is cross-origin isolated), and posts back the
// progress and then the copy as a Blob with its counts, or the failure,
// each with the copy's number.
'use strict';

var engine = null;

function start(threaded) {
  var name = threaded ? 'facemeld-threads.js' : 'facemeld.js';
  importScripts(name);
  // The module's threads load it from this address.
  return facemeldModule({ mainScriptUrlOrBlob: new URL(name, location.href).href });
}

onmessage = function (event) {
  var m = event.data, file = m.file, gen = m.gen;
  var reader = new FileReaderSync();
  // A NUL byte near the start is no .obj file's (a picture, an archive,
  // text in UTF-16), and its copy would be rewritten bytes.
  if (new Uint8Array(reader.readAsArrayBuffer(file.slice(0, 1 << 16))).indexOf(0) >= 0)
    return postMessage({ kind: 'failed', gen: gen, failure: 'binary' });
  engine = engine || start(m.threaded);
  // The engine reads a megabyte or less at a time; the file is read in
  // larger pieces, each slice of a File costing a few milliseconds.
  var held = new Uint8Array(0), from = 0, copy = [];
  var source = {
    size: file.size,
    read: function (into, at) {
      if (at < from || at + into.length > from + held.length) {
        from = at;
        held = new Uint8Array(reader.readAsArrayBuffer(file.slice(at, at + Math.max(into.length, 16 << 20))));
      }
      var got = held.subarray(at - from, at - from + into.length);
      into.set(got);
      return got.length;
    },
  };
  var sink = {
    write: function (piece) { copy.push(piece.slice()); },
    progress: function (done, total) { postMessage({ kind: 'progress', gen: gen, done: done, total: total }); },
  };
  engine
    .then(function (module) { return module.quadrify(source, m.options, sink); })
    .then(function (counts) {
      var blob = new Blob(copy, { type: 'model/obj' });
      copy = [];
      postMessage({ kind: 'done', gen: gen, counts: counts, blob: blob });
    })
    .catch(function (e) {
      copy = [];
      postMessage({ kind: 'failed', gen: gen, message: e.message, failure: e.failure || (/memory|allocation/i.test(e.message) ? 'memory' : '') });
    });
};
