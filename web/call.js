// The copy as JavaScript starts it on an instance of the module: the
// options are checked and given the command line's defaults, the input is
// read from `source` ({size, read(view, at)}: fills view from byte `at`,
// returns the bytes put there) and the output handed to `sink`
// ({write(view), progress(done, total)?}) in pieces as the copy writes
// them. A view is of the module's own memory and good only during the
// call; a write that throws stops the copy, which then fails with what it
// threw. Returns a promise of the counts and the command line's warning, or
// of an Error whose message is the command line's complaint.
Module['copies'] = new Map();
var facemeldCopies = 0;

// The pairing modes in the order of call.cpp's list, and other spellings.
var facemeldModes = ['consecutive', 'neighbours', 'squarest'];
var facemeldSpellings = { neighbors: 'neighbours' };

// What the command line warns of a copy that joined nothing for want of
// triangles.
var facemeldNoTriangles = 'this file has no triangles to join';
var facemeldNoMesh = 'this file may not be a mesh file';

// A value as a complaint names it: "the string '5'", "null", "an object".
function facemeldShown(v) {
  if (typeof v === 'string') return "the string '" + v + "'";
  if (v === null) return 'null';
  if (typeof v === 'number' || typeof v === 'boolean' || typeof v === 'bigint') return 'the ' + typeof v + ' ' + String(v);
  return Array.isArray(v) ? 'an array' : typeof v === 'object' ? 'an object' : 'a ' + typeof v;
}

function facemeldWrongType(key, v, what) {
  return new TypeError('options.' + key + ' must be ' + what + ', not ' + facemeldShown(v));
}

function facemeldOutOfRange(key, v, what) {
  return new RangeError('options.' + key + ' must be ' + what + ', not ' + (typeof v === 'string' ? "'" + v + "'" : String(v)));
}

// A decimal number as the command line reads one: the whole text, with
// spaces and tabs around it allowed; no hexadecimal, infinity or NaN. NaN
// for any other text.
function facemeldDecimal(s) {
  return /^[ \t]*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?[ \t]*$/.test(s) ? Number(s.replace(/^[ \t]+|[ \t]+$/g, '')) : NaN;
}

// Each option with its default and its check, which gives the value as
// call.cpp takes it, or throws a TypeError for a value of the wrong type and
// a RangeError for one out of range.
var facemeldOptions = {
  dropNormals: { value: false, check: function (v) {
    if (typeof v !== 'boolean') throw facemeldWrongType('dropNormals', v, 'a boolean');
    return v ? 1 : 0;
  } },
  angle: { value: 5, check: function (v) {
    if (typeof v !== 'number' && typeof v !== 'string') throw facemeldWrongType('angle', v, 'a number or a decimal string');
    var d = typeof v === 'number' ? v : facemeldDecimal(v);
    if (!isFinite(d)) throw facemeldOutOfRange('angle', v, 'a finite decimal number');
    return d;
  } },
  shape: { value: 90, check: function (v) {
    if (typeof v !== 'number' && typeof v !== 'string') throw facemeldWrongType('shape', v, 'a number or a decimal string');
    var d = typeof v === 'number' ? v : facemeldDecimal(v);
    if (!(d >= 0 && d <= 90)) throw facemeldOutOfRange('shape', v, 'a number from 0 to 90');
    return d;
  } },
  pairs: { value: 'consecutive', check: function (v) {
    if (typeof v !== 'string') throw facemeldWrongType('pairs', v, 'a string');
    var mode = facemeldModes.indexOf(Object.prototype.hasOwnProperty.call(facemeldSpellings, v) ? facemeldSpellings[v] : v);
    if (mode < 0)
      throw facemeldOutOfRange('pairs', v, "'" + facemeldModes.slice(0, -1).join("', '") + "' or '" + facemeldModes[facemeldModes.length - 1] + "'");
    return mode;
  } },
  // The engine works with at most 16.
  threads: { value: 1, check: function (v) {
    if (typeof v !== 'number') throw facemeldWrongType('threads', v, 'a number');
    if (!(v >= 0 && v === Math.floor(v) && isFinite(v))) throw facemeldOutOfRange('threads', v, 'a whole number from 0 up');
    return Math.min(v, 1024);
  } },
};

// The options checked, as call.cpp takes them. Null or undefined options,
// and a key whose value is undefined, give the defaults; a key that is no
// option is refused, since a misspelt one would otherwise go unnoticed.
function facemeldSettings(options) {
  if (options === null || options === undefined) options = {};
  if (typeof options !== 'object' || Array.isArray(options))
    throw new TypeError('the options must be an object, not ' + facemeldShown(options));
  var known = Object.keys(facemeldOptions);
  Object.keys(options).forEach(function (key) {
    if (known.indexOf(key) >= 0) return;
    var like = known.filter(function (k) { return k.toLowerCase() === key.toLowerCase(); })[0];
    throw new TypeError("there is no option '" + key + "'" + (like ? " (did you mean '" + like + "'?)" : '') +
                        '; the options are ' + known.join(', '));
  });
  var settings = {};
  known.forEach(function (key) {
    var o = facemeldOptions[key];
    settings[key] = o.check(options[key] === undefined ? o.value : options[key]);
  });
  return settings;
}

// Node runs on while a copy is under way, and no longer for the idle
// threads the module keeps for the next copy.
function facemeldHold() {
  if (typeof PThread === 'undefined' || !ENVIRONMENT_IS_NODE) return;
  var held = Module['copies'].size > 0;
  PThread.unusedWorkers.concat(PThread.runningWorkers).forEach(function (w) { held ? w.ref() : w.unref(); });
}

// The options checked, for a caller that wants them checked before a copy.
Module['settings'] = facemeldSettings;

Module['quadrify'] = function (source, options, sink) {
  var s = facemeldSettings(options);
  return new Promise(function (resolve, reject) {
    var id = ++facemeldCopies;
    // The byte that stops the copy, the module's until the copy is done.
    var stop = Module['_malloc'](1);
    var thrown = null;
    HEAPU8[stop] = 0;
    Module['copies'].set(id, {
      read: function (to, at, n) {
        try {
          return source.read(HEAPU8.subarray(to, to + n), at);
        } catch (e) {
          return -1;  // a file that cannot be read (any more)
        }
      },
      write: function (from, n) {
        if (thrown) return;
        try {
          sink.write(HEAPU8.subarray(from, from + n));
        } catch (e) {
          thrown = e;
          Atomics.store(HEAPU8, stop, 1);
        }
      },
      progress: function (done, total) { sink.progress(done, total); },
      done: function (failure, complaint, vertices, faces, triangles, joins) {
        Module['copies'].delete(id);
        Module['_free'](stop);
        facemeldHold();
        if (thrown) return reject(thrown);
        if (failure === 'none') {
          var warning = triangles > 0 ? '' : faces > 0 ? facemeldNoTriangles : facemeldNoMesh;
          return resolve({ vertices: vertices, faces: faces, triangles: triangles, joins: joins, warning: warning });
        }
        var e = new Error(complaint);
        e.failure = failure;
        reject(e);
      },
    });
    facemeldHold();
    Module['_facemeld_start'](id, source.size, s.dropNormals, s.angle, s.shape, s.pairs, s.threads, sink.progress ? 1 : 0, stop);
  });
};
