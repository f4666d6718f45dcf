// The page in headless Chromium, served plain (one thread) and cross-origin
// isolated (threads): its copies against the command line's, and never an
// old picture; the view of meshes far away, on a phone and dense, its keys
// and dark colours; the page's messages.
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

const root = new URL('../../', import.meta.url).pathname;
const chromium = '/usr/bin/chromium';
const native = join(root, 'build/native/facemeld');
const corpus = join(root, '../shared/corpus');
// Meshes on which every option the test sets changes the copy.
const meshes = { plain: 'meshmixer_groups.obj', isolated: 'scan_stanford-bunny.obj' };
const shots = join(root, 'build/web/test');
const puppeteer = createRequire(join(root, 'web/package.json'))('puppeteer-core');

// Why the page cannot be played here, or nothing.
function cannot() {
  if (!existsSync(chromium)) return `no ${chromium}`;
  if (!existsSync(corpus)) return `no corpus at ${corpus}`;
  if (!existsSync(native)) return `no ${native}`;
  return null;
}
let why = cannot();
let browser, profile;
const servers = {};

function serve(plain) {
  const server = spawn('node', [join(root, 'web/serve.mjs'), join(root, 'build/web/site'), '0', ...(plain ? ['--plain'] : [])]);
  return new Promise((resolve, reject) => {
    server.stdout.on('data', (d) => resolve({ server, url: /http:\S+/.exec(String(d))[0] }));
    server.on('exit', reject);
  });
}

before(async () => {
  if (why) return;
  profile = mkdtempSync(join(tmpdir(), 'facemeld-chromium-'));
  try {
    browser = await puppeteer.launch({
      executablePath: chromium,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
        '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update',
        '--disable-sync', `--user-data-dir=${profile}`],
    });
  } catch (e) {
    why = `chromium cannot run here (${e.message.split('\n')[0]})`;
    return;
  }
  servers.plain = await serve(true);
  servers.isolated = await serve(false);
  mkdirSync(shots, { recursive: true });
});

after(async () => {
  if (browser) await browser.close();
  for (const s of Object.values(servers)) s.server.kill();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

// A page of the site, which can take a download's name and bytes.
async function open(mode, width = 1100, height = 1000) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  page.on('pageerror', (e) => console.log(`page: ${e.message}`));
  await page.evaluateOnNewDocument(() => (window.take = async (a) => {
    const bytes = new Uint8Array(await (await fetch(a.href)).arrayBuffer());
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return { name: a.download, href: a.href, bytes: btoa(text) };
  }));
  await page.goto(servers[mode].url);
  return page;
}

// Sets the options shown, as typed or clicked: { angle, shape, pairs, dropNormals }.
function options(page, set) {
  return page.evaluate((set) => Object.entries({ angle: 'value', shape: 'value', pairs: 'value', 'drop-normals': 'checked' }).forEach(([id, key]) => {
    const e = document.getElementById(id), value = set[id === 'drop-normals' ? 'dropNormals' : id];
    if (value !== undefined && e[key] !== value) (e[key] = value), e.dispatchEvent(new Event('change'));
  }), set);
}

// Waits for the copy under way to end (a download other than `old`, or an
// alert); returns the alert, the warning, and the download's name and bytes.
async function result(page, old) {
  await page.waitForFunction((old) => {
    const a = document.querySelector('a[download]');
    return (a && a.href !== old) || document.getElementById('alert').textContent;
  }, { timeout: 180000, polling: 100 }, old);
  return page.evaluate(async () => {
    const a = document.querySelector('a[download]');
    return { alert: document.getElementById('alert').textContent, warning: document.getElementById('warning').textContent, ...(a && await take(a)) };
  });
}

function commandLine(mesh, args) {
  return execFileSync(native, ['-q', '-j', '1', ...args, join(corpus, mesh), '-'], { maxBuffer: 1 << 30 });
}

// What the canvas shows once the picture of a copy after number `after` is
// up: which pixels are a face's colour lit (triangles, quads made, quads
// had), their share of it and of its middle tenth, the middle's colour and
// the box around what is not background.
async function look(page, after = 0) {
  await page.waitForFunction((after) => {
    const c = document.getElementById('canvas');
    return c.dataset.shown === 'copy' && Number(c.dataset.copy) > after;
  }, { timeout: 180000, polling: 100 }, after);
  return page.evaluate(() => {
    const canvas = document.getElementById('canvas'), { width: w, height: h } = canvas;
    const c = new OffscreenCanvas(w, h).getContext('2d');
    c.drawImage(canvas, 0, 0);
    const p = c.getImageData(0, 0, w, h).data;
    const keys = [[232, 131, 58], [58, 120, 232], [46, 170, 110]];
    const face = (i) => keys.findIndex((k) => {
      const f = (p[i] * k[0] + p[i + 1] * k[1] + p[i + 2] * k[2]) / (k[0] ** 2 + k[1] ** 2 + k[2] ** 2);
      return f >= 0.55 && f <= 1.1 && k.every((v, j) => Math.abs(p[i + j] - f * v) <= 10);
    });
    const v = { width: w, height: h, faces: [0, 0, 0], middle: 0, box: [w, h, -1, -1], colour: [0, 0, 0], mask: [] };
    for (let y = 0; y < h; y++)
      for (let x = 0; x < w; x++) {
        const i = 4 * (y * w + x), k = face(i);
        v.mask.push(k + 1);
        if (k >= 0) v.faces[k]++, (v.middle += Math.abs(x - w / 2) < w / 20 && Math.abs(y - h / 2) < h / 20);
        if (Math.abs(p[i] - p[0]) + Math.abs(p[i + 1] - p[1]) + Math.abs(p[i + 2] - p[2]) > 24)
          v.box = [Math.min(v.box[0], x), Math.min(v.box[1], y), Math.max(v.box[2], x), Math.max(v.box[3], y)];
        if (Math.abs(x - w / 2) < 3 && Math.abs(y - h / 2) < 3) for (let j = 0; j < 3; j++) v.colour[j] += p[i + j] / 36;
      }
    v.share = (v.faces[0] + v.faces[1] + v.faces[2]) / (w * h);
    v.middle /= (w / 10) * (h / 10);
    v.background = [p[0], p[1], p[2]];
    v.mask = v.mask.join('');
    return v;
  });
}

// Chooses the file and looks at the picture of its copy.
async function choose(page, file) {
  const after = await page.evaluate(() => Number(document.body.dataset.copy || 0));
  await (await page.$('input[type=file]')).uploadFile(file);
  return look(page, after);
}

for (const mode of ['plain', 'isolated'])
  test(`the page, ${mode}`, { skip: why ?? false, timeout: 600000 }, async (t) => {
    if (why) return t.skip(why);
    const page = await open(mode);
    assert.equal(await page.evaluate(() => self.crossOriginIsolated), mode === 'isolated');

    // Options first, then the file: the copy starts by itself.
    const mesh = meshes[mode];
    const first = mode === 'plain' ? ['-n', '-a', '10'] : ['-p', 'neighbours'];
    await options(page, mode === 'plain' ? { dropNormals: true, angle: '10' } : { pairs: 'neighbours' });
    await (await page.$('input[type=file]')).uploadFile(join(corpus, mesh));

    // The moment the download is there, its bytes are taken and an option
    // is changed, before the copy's picture is up: what the last copy left
    // goes, and until the picture of the new copy the view is empty or says
    // "drawing…", never the old picture.
    const second = mode === 'plain' ? ['-a', '10'] : ['-p', 'neighbours', '-a', '1.5'];
    let r = await page.evaluate(async (plain) => {
      const canvas = document.getElementById('canvas'), note = document.getElementById('drawing');
      const link = () => document.querySelector('a[download]');
      const a = link() || await new Promise((resolve) => new MutationObserver((_, o) => link() && (o.disconnect(), resolve(link())))
        .observe(document.getElementById('download'), { childList: true }));
      const taken = take(a);  // the blob: URL is read as the fetch starts
      const e = document.getElementById(plain ? 'drop-normals' : 'angle');
      if (plain) e.checked = false;
      else e.value = '1.5';
      e.dispatchEvent(new Event('change'));
      const now = Number(document.body.dataset.copy), seen = { left: document.querySelectorAll('a[download]').length, old: 0, drawing: 0 };
      await new Promise((resolve) => (function frame() {
        seen.drawing += !note.hidden;
        if (canvas.dataset.shown && Number(canvas.dataset.copy) < now) seen.old++;
        if (canvas.dataset.shown && Number(canvas.dataset.copy) === now) return resolve();
        requestAnimationFrame(frame);
      })());
      return { alert: document.getElementById('alert').textContent, ...(await taken), seen };
    }, mode === 'plain');
    assert.equal(r.alert, '');
    assert.equal(r.name, mesh.replace('.obj', '-quads.obj'));
    assert.match(r.href, /^blob:/);
    assert.ok(Buffer.from(r.bytes, 'base64').equals(commandLine(mesh, first)), `the download differs from facemeld ${first.join(' ')}`);
    assert.deepEqual([r.seen.left, r.seen.old], [0, 0], 'the earlier copy\'s download or picture shows while the copy starts again');
    assert.ok(r.seen.drawing > 0, 'the view never said "drawing…"');

    // The copy ran in the worker, which loaded the engine; the page did not.
    assert.ok(page.workers().some((w) => w.url().endsWith('/worker.js')), 'no worker copied');
    assert.equal(await page.evaluate(() => typeof facemeldModule), 'undefined');
    r = await result(page, r.href);
    assert.ok(Buffer.from(r.bytes, 'base64').equals(commandLine(mesh, second)), `the download differs from facemeld ${second.join(' ')}`);

    // The third pairing mode with a shape limit.
    assert.deepEqual(await page.$$eval('#pairs option', (all) => all.map((o) => o.textContent)),
      ['consecutive', 'the most quads', 'the squarest quads']);
    const third = [...second.filter((a, i) => a !== '-p' && second[i - 1] !== '-p'), '-p', 'squarest', '-s', '45'];
    await options(page, { pairs: 'squarest', shape: '45' });
    r = await result(page, r.href);
    assert.ok(Buffer.from(r.bytes, 'base64').equals(commandLine(mesh, third)), `the download differs from facemeld ${third.join(' ')}`);

    // The view of the copy: triangles left and quads made, in their colours.
    await page.screenshot({ path: join(shots, `${mode}.png`) });
    const v = await look(page);
    assert.ok(v.faces[0] > 500 && v.faces[1] > 500, `the view shows ${v.faces[0]} pixels of triangles and ${v.faces[1]} of quads made`);
    await page.close();
  });

// Grids of n by n cells in the xy plane, of quads or of triangle pairs.
function grid(n, quads) {
  const lines = [];
  for (let i = 0; i <= n; i++) for (let j = 0; j <= n; j++) lines.push(`v ${j} ${i} 0`);
  for (let i = 0; i < n; i++)
    for (let j = 0; j < n; j++) {
      const a = i * (n + 1) + j + 1, b = a + 1, c = a + n + 2, d = a + n + 1;
      lines.push(...(quads ? [`f ${a} ${b} ${c} ${d}`] : [`f ${a} ${b} ${c}`, `f ${a} ${c} ${d}`]));
    }
  const file = join(shots, `grid-${n}-${quads ? 'quads' : 'triangles'}.obj`);
  writeFileSync(file, lines.join('\n') + '\n');
  return file;
}

// Each mesh with the page's size and options, and what its view must show.
// A grid of 45 cells has edges of about 9 pixels, where they are whole; of
// 70, of 6, where they fade; of 300, of 1.4, where they are gone.
const views = [
  ['a cube on a phone: whole, 8 pixels in from every side', () => join(root, 'tests/web/cube.obj'), [390, 844], {}, (v) => {
    assert.ok(v.box[2] > v.box[0], 'nothing is drawn');
    assert.ok(Math.min(v.box[0], v.box[1], v.width - 1 - v.box[2], v.height - 1 - v.box[3]) >= 8, `the cube takes ${v.box} of ${v.width} x ${v.height}`);
  }],
  ...[[45, true], [45, false], [70, true], [70, false], [300, false]].map(([n, quads]) => [
    `a grid of ${n} x ${n} ${quads ? 'quads' : 'triangle pairs'}: its faces' colour on 5 % of the view`, () => grid(n, quads), [1100, 1000],
    { angle: '0' }, (v) => assert.ok(v.share >= 0.05, `${(100 * v.share).toFixed(1)} % of the view is faces`)]),
];

for (const [name, make, [width, height], set, check] of views)
  test(`the view: ${name}`, { skip: why ?? false, timeout: 300000 }, async (t) => {
    if (why) return t.skip(why);
    const page = await open('plain', width, height);
    await options(page, set);
    check(await choose(page, make()));
    await page.close();
  });

// Far from the origin, a mesh is drawn, and lit, as at the origin: the same
// faces in the same colours.
test('the view: meshes far from the origin, as at the origin', { skip: why ?? false, timeout: 300000 }, async (t) => {
  if (why) return t.skip(why);
  const bunny = join(corpus, 'scan_stanford-bunny.obj'), far = join(shots, 'bunny-far.obj');
  writeFileSync(far, readFileSync(bunny, 'utf8').replace(/^v (\S+) (\S+) (\S+)$/gm, (_, x, y, z) => `v ${Number(x) + 5e5} ${y} ${Number(z) + 4e6}`));
  const page = await open('plain');
  for (const [near, moved] of [[join(root, 'tests/web/cube.obj'), join(root, 'tests/web/cube-far.obj')], [bunny, far]]) {
    const a = await choose(page, near), b = await choose(page, moved);
    let differ = 0;
    for (let i = 0; i < a.mask.length; i++) differ += a.mask[i] !== b.mask[i];
    assert.ok(b.middle > 0.5, `${moved}: ${(100 * b.middle).toFixed(1)} % of the middle is faces`);
    assert.ok(differ <= a.mask.length / 100, `${moved}: ${differ} pixels differ from those of ${near}`);
    assert.ok(a.colour.every((c, i) => Math.abs(c - b.colour[i]) <= 8), `the middles are ${a.colour} and ${b.colour}`);
  }
  await page.close();
});

// At 1280 x 800 the view lies within the screen. Its keys turn, zoom and
// put it back, as does its button; it follows a dark colour scheme.
test('the view: in the first screen, its keys, its reset and its dark colours', { skip: why ?? false, timeout: 300000 }, async (t) => {
  if (why) return t.skip(why);
  const page = await open('plain', 1280, 800);
  await choose(page, join(corpus, 'scan_stanford-bunny.obj'));
  assert.ok(await page.$eval('#view', (e) => e.getBoundingClientRect().bottom <= 800), 'the view goes past 800 pixels');
  const picture = () => page.$eval('#canvas', (c) => c.toDataURL());
  const fitted = await picture();
  await page.focus('#canvas');
  for (const key of ['ArrowLeft', 'Equal', 'Minus', 'ArrowUp']) {
    const was = await picture();
    await page.keyboard.press(key);
    assert.notEqual(await picture(), was, `the key ${key} did not move the view`);
  }
  await page.keyboard.press('Digit0');
  assert.equal(await picture(), fitted, 'the key 0 did not put the view back');
  await page.keyboard.press('ArrowRight').then(() => page.click('#reset'));
  assert.equal(await picture(), fitted, 'the reset button did not put the view back');
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
  await page.waitForFunction(() => {
    const c = new OffscreenCanvas(1, 1).getContext('2d');
    c.drawImage(document.getElementById('canvas'), 0, 0);
    return c.getImageData(0, 0, 1, 1).data[0] < 80;
  }, { timeout: 10000, polling: 100 }).catch(() => {});
  const dark = (await look(page)).background;
  assert.ok(Math.max(...dark) < 80, `the view's background is ${dark} in a dark colour scheme`);
  await page.close();
});

// What the page says: the file, the options, then the alert, the warning
// (the command line's words, as plain text) and the download (or none).
const messages = [
  ['mcguire_CornellBox-Original.obj', {}, '', 'mcguire_CornellBox-Original.obj: this file has no triangles to join', 'mcguire_CornellBox-Original-quads.obj'],
  ['web-page.obj', {}, 'web-page.obj: this is not a text file', '', undefined],
  ['scan_stanford-bunny.obj', { angle: '5,5' }, "the angle '5,5' is not a decimal number", '', undefined],
  ['scan_stanford-bunny.obj', { angle: '1e400' }, "the angle '1e400' is not a decimal number", '', undefined],
  ['scan_stanford-bunny.obj', { shape: '91' }, "the shape limit '91' is not a number from 0 to 90", '', undefined],
  ['scan_stanford-bunny.obj', { angle: ' 0.5\t' }, '', '', 'scan_stanford-bunny-quads.obj', /^An angle below 0\.8103° joins nothing/],
];

test('the page\'s messages', { skip: why ?? false, timeout: 300000 }, async (t) => {
  if (why) return t.skip(why);
  // The project's own picture, named .obj.
  copyFileSync(join(root, 'docs/web-page.png'), join(shots, 'web-page.obj'));
  for (const [mesh, set, alert, warning, name, note] of messages) {
    const page = await open('plain');
    await options(page, set);
    await (await page.$('input[type=file]')).uploadFile(existsSync(join(corpus, mesh)) ? join(corpus, mesh) : join(shots, mesh));
    const r = await result(page);
    assert.deepEqual([r.alert, r.warning, r.name], [alert, warning, name], `${mesh} ${JSON.stringify(set)}`);
    if (note) assert.match(await page.$eval('#angle-note', (e) => e.textContent), note);
    await page.close();
  }

  // A copy cancelled says so, and leaves neither a download nor counts.
  const page = await open('plain');
  await (await page.$('input[type=file]')).uploadFile(join(corpus, 'scan_stanford-bunny.obj'));
  await result(page);
  const big = join(shots, 'many.obj');
  writeFileSync(big, Buffer.alloc(64e6, 'v 1 2 3\n'));
  await (await page.$('input[type=file]')).uploadFile(big);
  await page.waitForSelector('#cancel:not([hidden])');
  await page.click('#cancel');
  await new Promise((done) => setTimeout(done, 3000));
  assert.deepEqual(await page.evaluate(() => [document.getElementById('status').textContent, document.querySelectorAll('a[download]').length,
    document.getElementById('counts').children.length, document.getElementById('cancel').hidden]), ['cancelled', 0, 0, true]);
  rmSync(big);
  await page.close();
});
