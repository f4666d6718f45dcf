// The page: a chosen or dropped file is copied at once with the options
// shown, and again whenever one changes. The copy runs in a worker
// (worker.js), with threads where the page is cross-origin isolated; what
// the view draws is worked out in another (mesh.js). Every copy has a
// number, and what the workers post about an older one is dropped, so that
// nothing of a previous copy shows once a new one has started.
import { createView } from './view.js';

const $ = (id) => document.getElementById(id);
const threaded = self.crossOriginIsolated === true;
const view = createView($('canvas'), $('view-note'));
// The pairing modes: the engine's name, the label, and what the mode gives.
const modes = [
  ['consecutive', 'consecutive', 'each triangle with the one on the line after it, where the two fit: quick, and the faces keep their order'],
  ['neighbours', 'the most quads', 'any two triangles of a run of face lines that share an edge: as many pairs as the run allows and, among those, the squarest quads. On real meshes it joins far more (the Stanford bunny: 22,888 pairs against 8,325; the nanosuit: 3,142 against 2,279), and takes longer'],
  ['squarest', 'the squarest quads', 'the same pairs as the most quads, but of them the quads of the greatest worth, a quad worth 90° less the angle its worst corner is off square: a pair that would make a poor quad stays apart. It brings back the quads of a quad model split into triangles, in any order'],
];
// Two triangles in one plane measure this fold (the arc cosine of 0.9999).
const FLAT = (Math.acos(0.9999) * 180) / Math.PI;
let copier = null;  // the copy's worker
let drawer = null;  // the view's worker
let gen = 0;        // the number of the copy under way, or the last one
let busy = false;   // a copy is under way
let asked = {};     // the pictures that the view's worker is working out
let file = null;
let copy = null;    // the last copy: its Blob
let link = null;    // the download's blob: URL
let views = {};     // what the view draws of the input and of the copy

for (const [value, label] of modes) $('pairs').add(new Option(label, value, value === 'consecutive'));

function bytes(n) {
  return n < 1024 ? `${n} bytes` : n < 1 << 20 ? `${(n / 1024).toFixed(1)} KB` : `${(n / (1 << 20)).toFixed(1)} MB`;
}

const number = (n) => n.toLocaleString('en');
const share = (part, whole) => `${((100 * part) / whole).toFixed(1)} %`;

function counts(rows) {
  $('counts').replaceChildren(...rows.flatMap(([name, value]) => {
    const dt = document.createElement('dt'), dd = document.createElement('dd');
    dt.textContent = name;
    dd.textContent = typeof value === 'number' ? number(value) : value;
    return [dt, dd];
  }));
}

// The quads the copy made by how square they are, as bars.
function chart(steps) {
  const most = Math.max(1, ...steps);
  $('chart-rows').replaceChildren(...steps.map((n, i) => {
    const row = document.createElement('tr'), th = document.createElement('th'), td = document.createElement('td');
    const bar = document.createElement('span');
    th.textContent = `${i * 10}–${i * 10 + 10}°`;
    bar.style.width = `${(80 * n) / most}%`;
    td.append(bar, number(n));
    row.append(th, td);
    return row;
  }));
  $('chart').hidden = false;
}

// The fold typed, read as the command line reads it: the whole text as a
// finite decimal number, spaces and tabs around it allowed; NaN if not.
function decimal(text) {
  return /^[ \t]*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?[ \t]*$/.test(text) ? Number(text.replace(/^[ \t]+|[ \t]+$/g, '')) : NaN;
}

function angleNote(angle) {
  $('angle-note').textContent = angle < FLAT
    ? `An angle below ${FLAT.toFixed(4)}° joins nothing: two triangles in one plane measure ${FLAT.toFixed(4)}°.`
    : angle >= 180 ? 'A fold is 180° at most: this angle joins every pair that the other tests allow.' : '';
}

function settle(status) {
  busy = false;
  $('status').textContent = status;
  $('cancel').hidden = true;
}

function fail(text) {
  $('alert').textContent = text;
  settle('');
}

function shown() {
  return document.querySelector('input[name=show]:checked').value;
}

// Asks the view's worker, started when a picture is first wanted, for the
// picture of the input or the copy.
function picture(which) {
  if (!drawer) {
    drawer = new Worker('mesh.js');
    drawer.onmessage = pictured;
    // A picture too large for the worker's memory: the copy stands, the view says why it is empty.
    drawer.onerror = (e) => {
      e.preventDefault();
      drawer = null;
      asked = {};
      $('drawing').hidden = true;
      $('view-note').textContent = `The view cannot draw this mesh here (${e.message || 'its worker stopped'}); the copy and its download are whole.`;
    };
  }
  asked[which] = true;
  if (which === shown()) $('drawing').hidden = false;
  drawer.postMessage({ gen, which, copy, input: file });
}

// Stops the view's worker if it is working out pictures no longer wanted.
function stopPictures() {
  if (drawer && Object.keys(asked).length) drawer.terminate(), (drawer = null);
  asked = {};
  $('drawing').hidden = true;
}

// A picture from mesh.js, shown once "drawing…" has had a frame to show,
// since building it for the screen can take seconds.
function pictured({ data: m }) {
  if (m.gen !== gen) return;
  delete asked[m.which];
  views[m.which] = m.view;
  if (m.squareness) chart(m.squareness);
  if (shown() !== m.which) return void ($('drawing').hidden = !asked[shown()]);
  $('drawing').hidden = false;
  requestAnimationFrame(() => setTimeout(() => {
    if (m.gen !== gen || shown() !== m.which) return;
    view.show(m.view, m.which, m.which === 'input' && views.copy, m.gen);
    $('drawing').hidden = true;
  }));
}

function showView() {
  const which = shown();
  if (views[which]) return view.show(views[which], which, true, gen);
  view.clear();
  $('drawing').hidden = !asked[which];
  if (copy && !asked[which]) picture(which);
}

function copied({ counts: c, blob }) {
  settle('');
  $('progress').value = 1;
  if (c.vertices === 0) return fail(`${file.name}: this file may not be a mesh file`);
  if (c.warning) $('warning').textContent = `${file.name}: ${c.warning}`;
  const left = c.triangles - 2 * c.joins;
  counts([['vertices', c.vertices], ['faces before', c.faces], ['faces after', c.faces - c.joins], ['quads made', c.joins],
    ['triangles left', c.triangles ? `${number(left)} (${share(left, c.triangles)} of ${number(c.triangles)})` : 0],
    ['size before', bytes(file.size)], ['size after', bytes(blob.size)],
    ['saving', file.size ? share(file.size - blob.size, file.size) : '–']]);
  copy = blob;
  link = URL.createObjectURL(blob);
  const a = document.createElement('a');
  const name = `${file.name.replace(/\.[^.]*$/, '') || file.name}-quads.obj`;
  a.href = link;
  a.download = name;
  a.textContent = `Download the copy (${name}, ${bytes(blob.size)})`;
  $('download').replaceChildren(a);
  picture('copy');
  if (shown() === 'input') picture('input');
}

function answer({ data: m }) {
  if (m.gen !== gen) return;
  if (m.kind === 'progress') {
    $('progress').value = m.total > 0 ? Math.min(m.done / m.total, 1) : 0;
  } else if (m.kind === 'done') {
    copied(m);
  } else if (m.kind === 'failed') {
    fail(m.failure === 'binary'
      ? `${file.name}: this is not a text file`
      : m.failure === 'memory'
        ? `${file.name}: there is not enough memory to copy this file here`
        : m.failure === 'read' || m.failure === 'open'
          ? `${file.name}: this file cannot be read (it may have been moved or changed since it was chosen)`
          : `${file.name}: ${m.message}`);
  }
}

function newCopier() {
  copier = new Worker('worker.js');
  copier.onmessage = answer;
  copier.onerror = (e) => {
    e.preventDefault();
    copier = null;
    fail(`${file.name}: the copy stopped: ${/memory/i.test(e.message) ? 'there is not enough memory to copy this file here' : e.message}`);
  };
}

// Drops what the last copy left and stops what is under way: a copy with
// its worker, pictures with theirs.
function forget() {
  document.body.dataset.copy = ++gen;
  if (busy && copier) copier.terminate(), (copier = null);
  stopPictures();
  if (link) URL.revokeObjectURL(link), (link = null);
  copy = null;
  views = {};
  view.clear();
  $('download').replaceChildren();
  $('alert').textContent = '';
  $('warning').textContent = '';
  $('chart').hidden = true;
  counts([]);
  $('progress').value = 0;
  settle('');
}

function start() {
  forget();
  const angle = decimal($('angle').value);
  angleNote(angle);
  if (!file) return;
  if (!Number.isFinite(angle)) return fail(`the angle '${$('angle').value}' is not a decimal number`);
  const shape = decimal($('shape').value);
  if (!(shape >= 0 && shape <= 90)) return fail(`the shape limit '${$('shape').value}' is not a number from 0 to 90`);
  if (!copier) newCopier();
  busy = true;
  $('status').textContent = `copying ${file.name} on ${threaded ? 'threads' : 'one thread'}…`;
  $('cancel').hidden = false;
  const options = {
    dropNormals: $('drop-normals').checked,
    angle,
    shape,
    pairs: $('pairs').value,
    threads: threaded ? navigator.hardwareConcurrency || 2 : 1,
  };
  copier.postMessage({ gen, file, options, threaded });
}

function describeMode() {
  $('pairs-says').textContent = modes.find(([value]) => value === $('pairs').value)[2];
}

$('file').addEventListener('change', () => {
  file = $('file').files[0] || null;
  start();
});
for (const id of ['drop-normals', 'angle', 'shape', 'pairs']) $(id).addEventListener('change', start);
$('pairs').addEventListener('change', describeMode);
describeMode();
$('cancel').addEventListener('click', () => {
  forget();
  $('status').textContent = 'cancelled';
});
$('reset').addEventListener('click', () => view.reset());
for (const radio of document.querySelectorAll('input[name=show]')) radio.addEventListener('change', showView);

document.addEventListener('dragover', (e) => {
  e.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (e) => {
  e.preventDefault();
  document.body.classList.remove('dragging');
  if (!e.dataTransfer.files.length) return;
  $('file').files = e.dataTransfer.files;
  file = e.dataTransfer.files[0];
  start();
});
