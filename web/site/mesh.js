// What the 3-D view draws of an .obj file, worked out in a worker of its
// own, so that a copy never waits for a picture. The page posts the copy
// (a Blob) with the input (a File), or the input alone; the worker reads
// their vertices (in double precision) and faces in pieces, tells the
// copy's quads that the copy made from those the input had (and measures
// how square the made ones are), and posts back the faces as triangles
// coloured by what they are, with their edges, centred and scaled to a
// unit sphere before they become Float32, so that a mesh far from the
// origin keeps its shape. Past TRIANGLES triangles every k-th face is drawn;
// past EDGES edges none are; the view says so.
'use strict';

var TRIANGLES = 3000000, EDGES = 3000000;
// What a face is, and its colour; the page's legend shows the same.
var TRIANGLE = 0, MADE = 1, HAD = 2, MORE = 3;
var COLOURS = [[232, 131, 58], [58, 120, 232], [46, 170, 110], [150, 150, 150]];

function Grower(Type, n) {
  this.a = new Type(n);
  this.n = 0;
}
Grower.prototype.room = function (k) {
  if (this.n + k <= this.a.length) return;
  var b = new this.a.constructor(Math.max(2 * this.a.length, this.n + k));
  b.set(this.a.subarray(0, this.n));
  this.a = b;
};

// Reads the vertices and faces of the file whose bytes `pieces` yields; with
// `polygons`, only the faces of four or more corners and no vertices.
function readMesh(pieces, polygons) {
  var xyz = new Grower(Float64Array, polygons ? 0 : 3 << 12), corners = new Grower(Int32Array, 1 << 14);
  var sizes = new Grower(Uint16Array, 1 << 12);
  var vertices = 0, carry = new Uint8Array(0), face = [];

  function number(b, at, end, out) {
    while (at < end && (b[at] === 32 || b[at] === 9)) at++;
    var sign = 1, v = 0, scale = 0, e = 0, esign = 1, any = false;
    if (b[at] === 45) sign = -1, at++;
    else if (b[at] === 43) at++;
    for (; at < end; at++) {
      var c = b[at];
      if (c >= 48 && c <= 57) v = v * 10 + (c - 48), any = true, scale && (scale *= 10);
      else if (c === 46 && !scale) scale = 1;
      else break;
    }
    if (at < end && (b[at] === 101 || b[at] === 69)) {
      at++;
      if (b[at] === 45) esign = -1, at++;
      else if (b[at] === 43) at++;
      for (; at < end && b[at] >= 48 && b[at] <= 57; at++) e = e * 10 + (b[at] - 48);
    }
    out.value = any ? sign * (scale ? v / scale : v) * Math.pow(10, esign * e) : NaN;
    return at;
  }

  var got = { value: 0 };
  function line(b, at, end) {
    while (at < end && (b[at] === 32 || b[at] === 9)) at++;
    var k = b[at] | 32, s = b[at + 1];
    if (at + 1 >= end || (s !== 32 && s !== 9)) return;
    if (k === 118) {  // v
      vertices++;
      if (polygons) return;
      xyz.room(3);
      at += 1;
      for (var i = 0; i < 3; i++) at = number(b, at, end, got), (xyz.a[xyz.n + i] = got.value || 0);
      xyz.n += 3;
    } else if (k === 102) {  // f
      face.length = 0;
      at += 1;
      while (at < end) {
        while (at < end && (b[at] === 32 || b[at] === 9)) at++;
        if (at >= end) break;
        var sign = 1, v = 0;
        if (b[at] === 45) sign = -1, at++;
        while (at < end && b[at] >= 48 && b[at] <= 57) v = v * 10 + (b[at++] - 48);
        while (at < end && b[at] !== 32 && b[at] !== 9) at++;
        v = sign < 0 ? vertices - v : v - 1;
        if (!(v >= 0 && v < vertices)) return;  // a corner the view cannot place
        face.push(v);
      }
      if (face.length < 3 || face.length > 65535 || (polygons && face.length === 3)) return;
      corners.room(face.length);
      for (var j = 0; j < face.length; j++) corners.a[corners.n++] = face[j];
      sizes.room(1);
      sizes.a[sizes.n++] = face.length;
    }
  }

  function lines(b, end) {
    var start = 0;
    for (var i = 0; i < end; i++) {
      var c = b[i];
      if (c === 10 || c === 13) {
        if (i > start) line(b, start, i);
        start = i + 1;
      }
    }
    return start;
  }

  var opening = true;  // the first piece, after which a byte order mark is a line's bytes
  for (var piece of pieces) {
    var b = piece;
    // A UTF-8 byte order mark at the very start belongs to no line.
    if (opening && b.length >= 3 && b[0] === 0xef && b[1] === 0xbb && b[2] === 0xbf) b = b.subarray(3);
    opening = false;
    if (carry.length) {
      b = new Uint8Array(carry.length + piece.length);
      b.set(carry);
      b.set(piece, carry.length);
    }
    var last = b.length;
    while (last > 0 && b[last - 1] !== 10 && b[last - 1] !== 13) last--;
    lines(b, last);
    carry = b.slice(last);
  }
  if (carry.length) line(carry, 0, carry.length);
  return { xyz: xyz.a.subarray(0, xyz.n), corners: corners.a.subarray(0, corners.n), sizes: sizes.a.subarray(0, sizes.n) };
}

// What each face of `mesh` is. A quad of a copy is the input's (`input`:
// its faces of four or more corners) when it has the corners of the input's
// next such face, since the copy keeps those in their order; any other quad
// of a copy was made by it. Without `input`, every quad is the input's.
function kinds(mesh, input) {
  var k = new Uint8Array(mesh.sizes.length), at = 0, next = 0, from = 0;
  for (var f = 0; f < mesh.sizes.length; at += mesh.sizes[f], f++) {
    var n = mesh.sizes[f];
    if (n === 3) continue;
    var same = !input || (next < input.sizes.length && input.sizes[next] === n);
    for (var j = 0; input && same && j < n; j++) same = input.corners[from + j] === mesh.corners[at + j];
    if (input && same) from += input.sizes[next++];
    k[f] = n > 4 ? MORE : same ? HAD : MADE;
  }
  return k;
}

// How far the quad at `at` is off square, in degrees: the largest
// deviation from 90 of the angle at a corner, the corners as the face is
// written, 90 for a corner with an edge of no length, as the engine
// measures it.
function offSquare(xyz, c, at) {
  var most = 0;
  for (var a = 0; a < 4; a++) {
    var p = 3 * c[at + a], u = 3 * c[at + (a + 3) % 4], v = 3 * c[at + (a + 1) % 4];
    var ux = xyz[u] - xyz[p], uy = xyz[u + 1] - xyz[p + 1], uz = xyz[u + 2] - xyz[p + 2];
    var vx = xyz[v] - xyz[p], vy = xyz[v + 1] - xyz[p + 1], vz = xyz[v + 2] - xyz[p + 2];
    var uu = ux * ux + uy * uy + uz * uz, vv = vx * vx + vy * vy + vz * vz;
    var cosine = Math.abs(ux * vx + uy * vy + uz * vz) / (Math.sqrt(uu) * Math.sqrt(vv));
    if (uu === 0 || vv === 0 || !(cosine <= 1)) cosine = 1;
    most = Math.max(most, cosine);
  }
  return Math.asin(most) * (180 / Math.PI);
}

// The quads the copy made, counted by how far they are off square in steps
// of 10 degrees (the last step takes 90).
function squareness(mesh, kind) {
  var counts = [0, 0, 0, 0, 0, 0, 0, 0, 0];
  for (var f = 0, at = 0; f < kind.length; at += mesh.sizes[f], f++)
    if (kind[f] === MADE) counts[Math.min(8, Math.floor(offSquare(mesh.xyz, mesh.corners, at) / 10))]++;
  return counts;
}

// The triangles (their corners' places and colours) and edges to draw, and
// the mean length of an edge, for the view to fade the edges as they crowd.
function drawable(mesh, kind) {
  var faces = mesh.sizes.length, xyz = mesh.xyz, c = mesh.corners, sizes = mesh.sizes;
  var all = c.length - 2 * faces, f, n, k, at;
  var stride = Math.max(1, Math.ceil(all / TRIANGLES));
  // The box around the corners drawn, in double precision.
  var lo = [Infinity, Infinity, Infinity], hi = [-Infinity, -Infinity, -Infinity], triangles = 0, edges = 0;
  for (f = 0, at = 0; f < faces; at += sizes[f], f++) {
    if (f % stride) continue;
    triangles += sizes[f] - 2, edges += sizes[f];
    for (k = 0; k < sizes[f]; k++)
      for (var i = 0, p = 3 * c[at + k]; i < 3; i++) lo[i] = Math.min(lo[i], xyz[p + i]), hi[i] = Math.max(hi[i], xyz[p + i]);
  }
  var centre = [0, 1, 2].map(function (i) { return (lo[i] + hi[i]) / 2; });
  var radius = Math.hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) / 2 || 1;
  var withEdges = edges <= EDGES;
  var places = new Float32Array(9 * triangles), colours = new Uint8Array(9 * triangles);
  var lines = new Float32Array(withEdges ? 6 * edges : 0);
  var t = 0, l = 0, length = 0;
  function put(to, i, v) {
    for (var j = 0; j < 3; j++) to[i + j] = (xyz[3 * v + j] - centre[j]) / radius;
  }
  for (f = 0, at = 0; f < faces; at += sizes[f], f++) {
    if (f % stride) continue;
    n = sizes[f];
    var colour = COLOURS[kind[f]];
    for (k = 1; k + 1 < n; k++, t += 9) {
      put(places, t, c[at]), put(places, t + 3, c[at + k]), put(places, t + 6, c[at + k + 1]);
      for (var j = 0; j < 9; j++) colours[t + j] = colour[j % 3];
    }
    for (k = 0; k < n; k++) {
      var p = 3 * c[at + k], q = 3 * c[at + (k + 1) % n];
      length += Math.hypot(xyz[q] - xyz[p], xyz[q + 1] - xyz[p + 1], xyz[q + 2] - xyz[p + 2]);
      if (withEdges) put(lines, l, c[at + k]), put(lines, l + 3, c[at + (k + 1) % n]), (l += 6);
    }
  }
  return { places: places, colours: colours, lines: lines, faces: faces, edges: c.length, stride: stride,
           withEdges: withEdges, edge: edges ? length / edges / radius : 0 };
}

// The file's bytes in pieces of a few megabytes, never the whole of it.
function* pieces(blob) {
  var reader = new FileReaderSync();
  for (var at = 0; at < blob.size; at += 4 << 20) yield new Uint8Array(reader.readAsArrayBuffer(blob.slice(at, at + (4 << 20))));
}

if (typeof WorkerGlobalScope !== 'undefined')
  onmessage = function (event) {
    var m = event.data, mesh = readMesh(pieces(m.which === 'copy' ? m.copy : m.input));
    var kind = kinds(mesh, m.which === 'copy' ? readMesh(pieces(m.input), true) : null);
    var d = drawable(mesh, kind);
    postMessage({ gen: m.gen, which: m.which, view: d, squareness: m.which === 'copy' ? squareness(mesh, kind) : null },
                [d.places.buffer, d.colours.buffer, d.lines.buffer]);
  };
