// What the engine's call (call.cpp) calls of call.js. With threads they
// run on the module's main thread, which holds the input and the output,
// and the copy's thread waits for those that answer.
mergeInto(LibraryManager.library, {
  facemeld_read__proxy: 'sync',
  facemeld_read: function (id, to, at, n) {
    return Module.copies.get(id).read(to >>> 0, at, n);
  },
  facemeld_write__proxy: 'sync',
  facemeld_write: function (id, from, n) {
    Module.copies.get(id).write(from >>> 0, n);
  },
  facemeld_progress__proxy: 'async',
  facemeld_progress: function (id, done, total) {
    Module.copies.get(id).progress(done, total);
  },
  // Waited for too, since the complaint lives on the copy's thread.
  facemeld_done__proxy: 'sync',
  facemeld_done: function (id, failure, complaint, vertices, faces, triangles, joins) {
    Module.copies.get(id).done(UTF8ToString(failure >>> 0), UTF8ToString(complaint >>> 0), vertices, faces, triangles,
                               joins);
  },
});
