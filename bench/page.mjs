// Times the page in headless Chromium (as tests/web/page.test.mjs starts
// it) on the files given, cross-origin isolated (or --plain: on one
// thread): from choosing the file, or changing the pairing mode, to the
// copy's download, and to its 3-D view; consecutive (the first copy, which
// loads the engine), neighbours, consecutive again.
// Saves a screenshot of the page after the first copy as SHOT when given.
//
//   node bench/page.mjs [--plain] [--shot SHOT] FILE...      (after sh scripts/web.sh build)
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { basename, join } from 'node:path';

const root = new URL('../', import.meta.url).pathname;
const puppeteer = createRequire(join(root, 'web/package.json'))('puppeteer-core');
const args = process.argv.slice(2);
const plain = args[0] === '--plain' ? (args.shift(), ['--plain']) : [];
let shot = args[0] === '--shot' ? (args.shift(), args.shift()) : null;

const server = spawn('node', [join(root, 'web/serve.mjs'), join(root, 'build/web/site'), '0', ...plain]);
const url = await new Promise((resolve) => server.stdout.on('data', (d) => resolve(/http:\S+/.exec(String(d))[0])));
const profile = mkdtempSync(join(tmpdir(), 'facemeld-chromium-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  protocolTimeout: 900000,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', `--user-data-dir=${profile}`],
});
try {
  for (const file of args) {
    // One page: its first copy loads the engine (and starts its threads).
    const page = await browser.newPage();
    await page.setViewport(shot ? { width: 820, height: 760 } : { width: 1100, height: 1000 });
    await page.goto(url);
    for (const [i, pairs] of ['consecutive', 'neighbours', 'consecutive'].entries()) {
      const old = await page.evaluate(() => document.querySelector('a[download]')?.href);
      const start = Date.now();
      if (i === 0) await (await page.$('input[type=file]')).uploadFile(file);
      else await page.select('#pairs', pairs);
      await page.waitForFunction((old) => {
        const a = document.querySelector('a[download]');
        return (a && a.href !== old) || document.getElementById('alert').textContent;
      }, { timeout: 900000, polling: 100 }, old);
      const copied = (Date.now() - start) / 1000;
      await page.waitForFunction(() => document.getElementById('canvas').dataset.shown === 'copy', { timeout: 900000, polling: 100 });
      const shown = (Date.now() - start) / 1000;
      const said = await page.evaluate(() => document.getElementById('alert').textContent ||
        [...document.querySelectorAll('#counts dd')].map((d) => d.textContent).join(', '));
      console.log(`${basename(file)} ${pairs}${i ? '' : ' (first)'}: copied in ${copied.toFixed(1)} s, drawn at ${shown.toFixed(1)} s (${said})`);
      if (shot) await page.screenshot({ path: shot, fullPage: true }), (shot = null);
    }
    await page.close();
  }
} finally {
  await browser.close();
  server.kill();
  rmSync(profile, { recursive: true, force: true });
}
