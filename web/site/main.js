// The page: a chosen or dropped file is copied at once with the options
// shown, and again whenever one changes. The copy runs in a worker
// (worker.js), with threads where the page is cross-origin isolated.
import { createView } from './view.js';

const $ = (id) => document.getElementById(id);
const threaded = self.crossOriginIsolated === true;
const view = createView($('canvas'), $('view-note'));
let worker = null;
let busy = false;
let file = null;
let link = null;  // the download's blob: URL
let views = {};   // what the view draws of the input and of the copy

function bytes(n) {
  return n < 1024 ? `${n} bytes` : n < 1 << 20 ? `${(n / 1024).toFixed(1)} KB` : `${(n / (1 << 20)).toFixed(1)} MB`;
}

function counts(rows) {
  $('counts').replaceChildren(...rows.flatMap(([name, value]) => {
    const dt = document.createElement('dt'), dd = document.createElement('dd');
    dt.textContent = name;
    dd.textContent = typeof value === 'number' ? value.toLocaleString('en') : value;
    return [dt, dd];
  }));
}

function fail(text) {
  $('alert').textContent = text;
  $('status').textContent = '';
  busy = false;
}

function shown() {
  return document.querySelector('input[name=show]:checked').value;
}

function showView() {
  const which = shown();
  if (views[which]) return view.show(views[which], which, true);
  view.clear();
  if (which === 'input' && file && !busy) worker.postMessage({ kind: 'view' });
}

function answer({ data: m }) {
  if (m.kind === 'progress') {
    $('progress').value = m.total > 0 ? Math.min(m.done / m.total, 1) : 0;
  } else if (m.kind === 'done') {
    busy = false;
    $('progress').value = 1;
    $('status').textContent = '';
    const { vertices, triangles, joins } = m.counts;
    if (vertices === 0) return fail(`${file.name}: this file may not be a mesh file`);
    if (triangles === 0) $('warning').textContent = `${file.name}: this file may not be a mesh file`;
    counts([['vertices', vertices], ['triangles', triangles], ['pairs joined', joins],
      ['size before', bytes(file.size)], ['size after', bytes(m.blob.size)]]);
    link = URL.createObjectURL(m.blob);
    const a = document.createElement('a');
    a.href = link;
    a.download = file.name;
    a.textContent = `Download the copy (${file.name}, ${bytes(m.blob.size)})`;
    $('download').replaceChildren(a);
    if (shown() === 'input') worker.postMessage({ kind: 'view' });
  } else if (m.kind === 'view') {
    views[m.which] = m.view;
    if (shown() === m.which) view.show(m.view, m.which, m.which === 'input' && views.copy);
  } else if (m.kind === 'failed') {
    fail(m.failure === 'memory'
      ? `${file.name}: there is not enough memory to copy this file here`
      : m.failure === 'read' || m.failure === 'open'
        ? `${file.name}: this file cannot be read (it may have been moved or changed since it was chosen)`
        : `${file.name}: ${m.message}`);
  }
}

function newWorker() {
  worker = new Worker('worker.js');
  worker.onmessage = answer;
  worker.onerror = (e) => {
    e.preventDefault();
    fail(`${file.name}: the copy stopped: ${/memory/i.test(e.message) ? 'there is not enough memory to copy this file here' : e.message}`);
  };
}

function start() {
  // What an earlier copy left goes at once.
  if (link) URL.revokeObjectURL(link), (link = null);
  $('download').replaceChildren();
  $('alert').textContent = '';
  $('warning').textContent = '';
  counts([]);
  views = {};
  view.clear();
  $('progress').value = 0;
  if (!file) return;
  // A copy under way stops with its worker.
  if (busy || !worker) {
    if (worker) worker.terminate();
    newWorker();
  }
  busy = true;
  $('status').textContent = `copying ${file.name} on ${threaded ? 'threads' : 'one thread'}…`;
  const options = {
    dropNormals: $('drop-normals').checked,
    angle: $('angle').value.trim() === '' ? NaN : Number($('angle').value),
    pairs: $('pairs').value,
    threads: threaded ? navigator.hardwareConcurrency || 2 : 1,
  };
  if (!Number.isFinite(options.angle)) {
    busy = false;
    return fail(`the angle '${$('angle').value}' is not a decimal number`);
  }
  worker.postMessage({ kind: 'copy', file, options, threaded });
}

$('file').addEventListener('change', () => {
  file = $('file').files[0] || null;
  start();
});
for (const id of ['drop-normals', 'angle', 'pairs']) $(id).addEventListener('change', start);
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
