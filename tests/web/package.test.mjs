// The npm package, installed from its tarball into an empty project: every
// case folder through its call quadrify, on one thread (the module without
// threads) and on two (the module with threads), byte for byte; the corpus
// against the command line; and the failures that bytes alone cause.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const root = new URL('../../', import.meta.url).pathname;
const version = /project\(facemeld VERSION ([0-9.]+)/.exec(readFileSync(join(root, 'CMakeLists.txt'), 'utf8'))[1];
const corpus = join(root, '../shared/corpus');
const native = join(root, 'build/native/facemeld');
const project = mkdtempSync(join(tmpdir(), 'facemeld-npm-'));
let quadrify;

before(async () => {
  writeFileSync(join(project, 'package.json'), '{ "name": "empty", "private": true }\n');
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--silent',
    join(root, `build/web/facemeld-${version}.tgz`)], { cwd: project, stdio: 'inherit' });
  const found = createRequire(join(project, 'package.json')).resolve('facemeld');
  ({ quadrify } = await import(pathToFileURL(found)));
});
after(() => rmSync(project, { recursive: true, force: true }));

// What a case folder asks: the answers to its questions (drop the normals,
// then the angle, asked again until it is a number), the mode, the counts
// its box shows and the expected output. Null for a case that copies
// nothing (the front ends' own refusals).
function caseOf(dir) {
  const steps = readFileSync(join(dir, 'steps'), 'utf8').split('\n').filter((l) => l && !l.startsWith('#'));
  const output = steps.find((l) => l.startsWith('output '));
  const neighbours = steps.includes('pairs neighbours');
  if (!output || (!neighbours && !steps.some((l) => l.startsWith('yesno ')))) return null;
  const answers = steps.filter((l) => l.startsWith('>')).map((l) => l.slice(1).trim());
  const angle = answers.slice(1).map(Number).filter((a, i) => answers[i + 1] !== '' && Number.isFinite(a)).pop() ?? 5;
  const box = steps.map((l) => /^box \| (\d+) triangles found, (\d+) pairs/.exec(l)).find(Boolean);
  return {
    options: { dropNormals: answers[0] === 'y', angle, pairs: neighbours ? 'neighbours' : 'consecutive' },
    triangles: Number(box[1]),
    joins: Number(box[2]),
    expected: readFileSync(join(dir, output.slice(7))),
  };
}

const folders = ['tests/cases', 'tests/pairs'].flatMap((d) =>
  readdirSync(join(root, d), { withFileTypes: true }).filter((e) => e.isDirectory()).map((e) => join(root, d, e.name)));

for (const dir of folders) {
  const c = caseOf(dir);
  if (!c) continue;
  const input = readdirSync(dir).find((f) => /^in\./.test(f));
  for (const threads of [1, 2])
    test(`${dir.slice(root.length)} on ${threads} thread(s)`, async () => {
      const r = await quadrify(readFileSync(join(dir, input)), { ...c.options, threads });
      assert.ok(Buffer.from(r.output).equals(c.expected), 'the copy differs from the expected output');
      assert.deepEqual([r.triangles, r.joins], [c.triangles, c.joins]);
    });
}

// The corpus, in both modes, against the command line on the same machine.
const meshes = existsSync(corpus) ? readdirSync(corpus).filter((f) => f.endsWith('.obj')) : [];
test('the corpus as the command line copies it', { skip: !meshes.length ? `no corpus at ${corpus}` : !existsSync(native) && `no ${native}` }, async () => {
  for (const mesh of meshes)
    for (const [options, args] of [[{ dropNormals: true }, ['-n']], [{ pairs: 'neighbours', angle: 2.5, threads: 2 }, ['-p', 'neighbours', '-a', '2.5']]]) {
      const expected = execFileSync(native, ['-q', ...args, join(corpus, mesh), '-'], { maxBuffer: 1 << 30 });
      const r = await quadrify(readFileSync(join(corpus, mesh)), options);
      assert.ok(Buffer.from(r.output).equals(expected), `${mesh} ${args.join(' ')}: the copy differs from the command line's`);
    }
});

// A run longer than the copy keeps in memory (the 6 MB of faces of a grid) is read again
// to be written, the tokens of its joined faces kept in many blocks, whose
// places take 64 bits on the 32-bit module too.
const grid = join(root, '../shared/bench/gen_grid.py');
test('a run read again, as the command line copies it', { skip: !existsSync(grid) ? `no ${grid}` : !existsSync(native) && `no ${native}` }, async () => {
  const file = join(project, 'grid.obj');
  execFileSync('python3', [grid, '240', '240', file]);
  const expected = execFileSync(native, ['-q', '-p', 'neighbours', file, '-'], { maxBuffer: 1 << 30 });
  for (const threads of [1, 2]) {
    const r = await quadrify(readFileSync(file), { pairs: 'neighbours', threads });
    assert.ok(Buffer.from(r.output).equals(expected), `on ${threads} thread(s): the copy differs from the command line's`);
  }
});

test('an input without vertex lines gives an empty copy', async () => {
  for (const bytes of [new Uint8Array(0), new Uint8Array([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13])])
    assert.deepEqual(await quadrify(bytes), { output: new Uint8Array(0), vertices: 0, triangles: 0, joins: 0 });
});

test('failures are the command line\'s complaints', async () => {
  const square = new TextEncoder().encode('v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 3 4 1\n');
  await assert.rejects(quadrify(square, { angle: 'x' }), { message: "the angle 'x' is not a decimal number" });
  await assert.rejects(quadrify(square, { pairs: 'all' }), { message: "the pairing mode 'all' is neither 'consecutive' nor 'neighbours'" });
  await assert.rejects(quadrify('v 0 0 0'), TypeError);
  // 200 million vertex lines want a table of 4.8 GB, more than the module can address.
  const many = Buffer.alloc(400e6, 'v\n');
  await assert.rejects(quadrify(many), { message: 'not enough memory to read this file' });
  // The module is whole after that.
  assert.equal((await quadrify(square)).joins, 1);
});
