// The copy as JavaScript starts it on an instance of the module: the
// options are checked and given the command line's defaults, the input is
// read from `source` ({size, read(view, at)}: fills view from byte `at`,
// returns the bytes put there) and the output handed to `sink`
// ({write(bytes), progress(done, total)?}) in pieces as the copy writes
// them. Returns a promise of the counts, or of an Error whose message is
// the command line's complaint.
Module['copies'] = new Map();
var facemeldCopies = 0;

// Node runs on while a copy is under way, and no longer for the idle
// threads the module keeps for the next copy.
function facemeldHold() {
  if (typeof PThread === 'undefined' || !ENVIRONMENT_IS_NODE) return;
  var held = Module['copies'].size > 0;
  PThread.unusedWorkers.concat(PThread.runningWorkers).forEach(function (w) { held ? w.ref() : w.unref(); });
}

Module['quadrify'] = function (source, options, sink) {
  options = options || {};
  var angle = options.angle === undefined ? 5 : options.angle;
  if (typeof angle !== 'number' || !isFinite(angle))
    throw new Error("the angle '" + angle + "' is not a decimal number");
  var pairs = options.pairs === undefined ? 'consecutive' : options.pairs;
  if (pairs === 'neighbors') pairs = 'neighbours';
  if (pairs !== 'consecutive' && pairs !== 'neighbours')
    throw new Error("the pairing mode '" + pairs + "' is neither 'consecutive' nor 'neighbours'");
  var threads = options.threads === undefined ? 1 : options.threads;
  if (!(threads >= 0 && threads === Math.floor(threads)))
    throw new Error("the number of threads '" + threads + "' is not a number from 0 up");
  return new Promise(function (resolve, reject) {
    var id = ++facemeldCopies;
    Module['copies'].set(id, {
      read: function (to, at, n) {
        try {
          return source.read(HEAPU8.subarray(to, to + n), at);
        } catch (e) {
          return -1;  // a file that cannot be read (any more)
        }
      },
      write: function (from, n) { sink.write(HEAPU8.slice(from, from + n)); },
      progress: function (done, total) { sink.progress(done, total); },
      done: function (failure, complaint, vertices, triangles, joins) {
        Module['copies'].delete(id);
        facemeldHold();
        if (failure === 'none') return resolve({ vertices: vertices, triangles: triangles, joins: joins });
        var e = new Error(complaint);
        e.failure = failure;
        reject(e);
      },
    });
    facemeldHold();
    Module['_facemeld_start'](id, source.size, options.dropNormals ? 1 : 0, angle,
                              pairs === 'neighbours' ? 1 : 0, threads, sink.progress ? 1 : 0);
  });
};
