// The copy, off the page's thread: the page posts a File and the options,
// the worker reads the file in pieces into the engine, which it loads on
// the first copy (with threads where the page is cross-origin isolated),
// and posts back the progress, the copy as a Blob with its counts, and
// then what the 3-D view draws of the copy and, when asked, of the input.
'use strict';
importScripts('mesh.js');

var engine = null;
var file = null;
var copy = [];  // the copy's pieces, until the view has read them

function start(threaded) {
  var name = threaded ? 'facemeld-threads.js' : 'facemeld.js';
  importScripts(name);
  // The module's threads load it from this address.
  return facemeldModule({ mainScriptUrlOrBlob: new URL(name, location.href).href });
}

// The file's bytes in pieces of a few megabytes, never the whole of it.
function* pieces(f) {
  var reader = new FileReaderSync();
  for (var at = 0; at < f.size; at += 4 << 20) yield new Uint8Array(reader.readAsArrayBuffer(f.slice(at, at + (4 << 20))));
}

function view(which, bytes) {
  var d = drawable(readMesh(bytes));
  postMessage({ kind: 'view', which: which, view: d }, [d.places.buffer, d.colours.buffer, d.lines.buffer]);
}

onmessage = function (event) {
  var m = event.data;
  if (m.kind === 'view') return view('input', pieces(file));
  file = m.file;
  copy = [];
  engine = engine || start(m.threaded);
  // The engine reads a megabyte or less at a time; the file is read in
  // larger pieces, each slice of a File costing a few milliseconds.
  var reader = new FileReaderSync();
  var held = new Uint8Array(0), from = 0;
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
    write: function (piece) { copy.push(piece); },
    progress: function (done, total) { postMessage({ kind: 'progress', done: done, total: total }); },
  };
  engine
    .then(function (module) { return module.quadrify(source, m.options, sink); })
    .then(function (counts) {
      var blob = new Blob(copy, { type: 'model/obj' });
      postMessage({ kind: 'done', counts: counts, blob: blob });
      if (counts.vertices > 0) view('copy', copy);
      copy = [];
    })
    .catch(function (e) {
      copy = [];
      postMessage({ kind: 'failed', message: e.message, failure: e.failure || (e instanceof RangeError ? 'memory' : '') });
    });
};
