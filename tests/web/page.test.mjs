// The page in headless Chromium, served plain (one thread) and cross-origin
// isolated (threads): a corpus mesh chosen with options set, then an option
// changed, each download byte for byte against the command line; the copy
// in a worker; a screenshot of the 3-D view with both face colours; and a
// picture named .obj refused in the alert.
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
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

// Waits for the copy under way to end (a download other than `old`, or an
// alert); returns the alert, and the download's name and bytes.
async function result(page, old) {
  await page.waitForFunction((old) => {
    const a = document.querySelector('a[download]');
    return (a && a.href !== old) || document.getElementById('alert').textContent;
  }, { timeout: 180000, polling: 100 }, old);
  return page.evaluate(async () => {
    const a = document.querySelector('a[download]');
    const alert = document.querySelector('[role=alert]').textContent;
    if (!a) return { alert };
    const bytes = new Uint8Array(await (await fetch(a.href)).arrayBuffer());
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return { alert, name: a.download, href: a.href, bytes: btoa(text) };
  });
}

function commandLine(mesh, args) {
  return execFileSync(native, ['-q', '-j', '1', ...args, join(corpus, mesh), '-'], { maxBuffer: 1 << 30 });
}

// How many pixels of a PNG are of the triangles' colour, and of the quads'.
async function colours(page, png) {
  return page.evaluate(async (data) => {
    const bitmap = await createImageBitmap(await (await fetch(`data:image/png;base64,${data}`)).blob());
    const c = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
    c.drawImage(bitmap, 0, 0);
    const p = c.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let triangles = 0, quads = 0;
    for (let i = 0; i < p.length; i += 4) {
      const [r, g, b] = [p[i], p[i + 1], p[i + 2]];
      if (r > b + 60 && r > g + 20) triangles++;
      else if (b > r + 60 && b > g + 20) quads++;
    }
    return { triangles, quads };
  }, png.toString('base64'));
}

for (const mode of ['plain', 'isolated'])
  test(`the page, ${mode}`, { skip: why ?? false, timeout: 600000 }, async (t) => {
    if (why) return t.skip(why);
    const page = await browser.newPage();
    await page.setViewport({ width: 1100, height: 1000 });
    page.on('pageerror', (e) => console.log(`page: ${e.message}`));
    await page.goto(servers[mode].url);
    assert.equal(await page.evaluate(() => self.crossOriginIsolated), mode === 'isolated');

    // Options first, then the file: the copy starts by itself.
    const first = mode === 'plain' ? ['-n', '-a', '10'] : ['-p', 'neighbours'];
    if (mode === 'plain') {
      await page.click('#drop-normals');
      await page.$eval('#angle', (e) => { e.value = '10'; });
    } else {
      await page.select('#pairs', 'neighbours');
    }
    const chooser = await page.$('input[type=file]');
    await chooser.uploadFile(join(corpus, meshes[mode]));
    let r = await result(page);
    assert.equal(r.alert, '');
    assert.equal(r.name, meshes[mode]);
    assert.match(r.href, /^blob:/);
    assert.ok(Buffer.from(r.bytes, 'base64').equals(commandLine(meshes[mode], first)), `the download differs from facemeld ${first.join(' ')}`);

    // The copy ran in the worker, which loaded the engine; the page did not.
    assert.ok(page.workers().some((w) => w.url().endsWith('/worker.js')), 'no worker copied');
    assert.equal(await page.evaluate(() => typeof facemeldModule), 'undefined');

    // The view of the copy: shaded triangles and quads.
    await page.waitForFunction(() => document.getElementById('canvas').dataset.shown === 'copy', { timeout: 60000 });
    const png = await (await page.$('#view')).screenshot({ path: join(shots, `${mode}.png`) });
    const seen = await colours(page, png);
    assert.ok(seen.triangles > 500 && seen.quads > 500, `the view shows ${seen.triangles} pixels of triangles and ${seen.quads} of quads`);

    // An option changed copies again, and what the last copy left goes.
    const second = mode === 'plain' ? ['-a', '10'] : ['-p', 'neighbours', '-a', '1.5'];
    const left = await page.evaluate((plain) => {
      const e = document.getElementById(plain ? 'drop-normals' : 'angle');
      if (plain) e.checked = false;
      else e.value = '1.5';
      e.dispatchEvent(new Event('change'));
      return document.querySelectorAll('a[download]').length;
    }, mode === 'plain');
    assert.equal(left, 0, 'the earlier download stays while the copy starts again');
    r = await result(page, r.href);
    assert.ok(Buffer.from(r.bytes, 'base64').equals(commandLine(meshes[mode], second)), `the download differs from facemeld ${second.join(' ')}`);

    // A picture named .obj (one pixel) has no vertex lines: no download,
    // and the alert.
    const picture = join(shots, 'picture.obj');
    writeFileSync(picture, Buffer.from('iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==', 'base64'));
    await chooser.uploadFile(picture);
    r = await result(page, r.href);
    assert.equal(r.alert, 'picture.obj: this file may not be a mesh file');
    assert.equal(r.name, undefined);
    await page.close();
  });
