// What the 3-D view draws of an .obj file: its vertices and faces read from
// the file's bytes in pieces, then the faces as triangles coloured by their
// number of corners, and their edges. Past EDGES edges every k-th face is
// drawn, and the view says so. A classic script, for the copy's worker.
'use strict';

var EDGES = 3000000;
var COLOURS = { 3: [232, 131, 58], 4: [58, 120, 232], more: [150, 150, 150] };

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

// Reads the vertices and faces of the file whose bytes `pieces` yields.
function readMesh(pieces) {
  var xyz = new Grower(Float32Array, 3 << 12), corners = new Grower(Int32Array, 1 << 14), sizes = new Grower(Uint16Array, 1 << 12);
  var carry = new Uint8Array(0);
  var face = [];

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
      xyz.room(3);
      at += 1;
      for (var i = 0; i < 3; i++) at = number(b, at, end, got), (xyz.a[xyz.n + i] = got.value || 0);
      xyz.n += 3;
    } else if (k === 102) {  // f
      face.length = 0;
      var nv = xyz.n / 3;
      at += 1;
      while (at < end) {
        while (at < end && (b[at] === 32 || b[at] === 9)) at++;
        if (at >= end) break;
        var sign = 1, v = 0;
        if (b[at] === 45) sign = -1, at++;
        while (at < end && b[at] >= 48 && b[at] <= 57) v = v * 10 + (b[at++] - 48);
        while (at < end && b[at] !== 32 && b[at] !== 9) at++;
        v = sign < 0 ? nv - v : v - 1;
        if (!(v >= 0 && v < nv)) return;  // a corner the view cannot place
        face.push(v);
      }
      if (face.length < 3 || face.length > 65535) return;
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

  for (var piece of pieces) {
    var b = piece;
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

// The triangles (their corners' places and colours) and edges to draw,
// every `stride`-th face when there are more than EDGES edges.
function drawable(mesh) {
  var edges = mesh.corners.length, faces = mesh.sizes.length;
  var stride = Math.max(1, Math.ceil(edges / EDGES));
  var triangles = 0, drawnEdges = 0, f, n;
  for (f = 0; f < faces; f += stride) triangles += mesh.sizes[f] - 2, drawnEdges += mesh.sizes[f];
  var places = new Float32Array(9 * triangles), colours = new Uint8Array(9 * triangles), lines = new Float32Array(6 * drawnEdges);
  var t = 0, l = 0, at = 0, xyz = mesh.xyz, c = mesh.corners;
  function put(to, i, v) {
    to[i] = xyz[3 * v], to[i + 1] = xyz[3 * v + 1], to[i + 2] = xyz[3 * v + 2];
  }
  for (f = 0; f < faces; at += mesh.sizes[f], f++) {
    if (f % stride) continue;
    n = mesh.sizes[f];
    var colour = COLOURS[n] || COLOURS.more;
    for (var k = 1; k + 1 < n; k++, t += 9) {
      put(places, t, c[at]), put(places, t + 3, c[at + k]), put(places, t + 6, c[at + k + 1]);
      for (var j = 0; j < 9; j++) colours[t + j] = colour[j % 3];
    }
    for (k = 0; k < n; k++, l += 6) put(lines, l, c[at + k]), put(lines, l + 3, c[at + (k + 1) % n]);
  }
  return { places: places, colours: colours, lines: lines, faces: faces, edges: edges, stride: stride };
}
