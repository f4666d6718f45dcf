// The npm package, installed from its tarball into an empty project: every
// case folder through quadrify and quadrifyFile, on one thread (the module
// without threads) and on two (the module with threads), byte for byte; the
// corpus and a 210 MB grid against the command line, the grid within its
// memory bound; the options of options.txt; the inputs it takes; the file
// call's failures in the command line's words; and its types, which tsc
// checks and Debian 12's node 18 runs, as ES module and as CommonJS.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import {
  chmodSync, existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, symlinkSync, writeFileSync,
} from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const root = new URL('../../', import.meta.url).pathname;
const here = join(root, 'tests/web');
const version = /project\(facemeld VERSION ([0-9.]+)/.exec(readFileSync(join(root, 'CMakeLists.txt'), 'utf8'))[1];
const corpus = join(root, '../shared/corpus');
const native = join(root, 'build/native/facemeld');
const grid = join(root, '../shared/bench/gen_grid.py');
const project = mkdtempSync(join(tmpdir(), 'facemeld-npm-'));
const nativeSkip = !existsSync(native) && `no ${native}`;
let quadrify, quadrifyFile;

before(async () => {
  writeFileSync(join(project, 'package.json'), '{ "name": "empty", "private": true }\n');
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--silent',
    join(root, `build/web/facemeld-${version}.tgz`)], { cwd: project, stdio: 'inherit' });
  ({ quadrify, quadrifyFile } = await import(pathToFileURL(join(project, 'node_modules/facemeld/index.mjs'))));
});
after(() => rmSync(project, { recursive: true, force: true }));

// What a case folder asks: the answers to its questions (drop the normals,
// then the angle, asked again until it is a number), the mode, the counts
// its box shows and the expected output. Null for a case that copies
// nothing (the front ends' own refusals).
function caseOf(dir) {
  const steps = readFileSync(join(dir, 'steps'), 'utf8').split('\n').filter((l) => l && !l.startsWith('#'));
  const output = steps.find((l) => l.startsWith('output '));
  const mode = steps.find((l) => l.startsWith('pairs '))?.slice(6);
  const shape = steps.find((l) => l.startsWith('shape '))?.slice(6);
  if (!output || (!mode && !steps.some((l) => l.startsWith('yesno ')))) return null;
  const answers = steps.filter((l) => l.startsWith('>')).map((l) => l.slice(1).trim());
  const angle = answers.slice(1).map(Number).filter((a, i) => answers[i + 1] !== '' && Number.isFinite(a)).pop() ?? 5;
  const box = steps.map((l) => /^box \| (\d+) triangles found, (\d+) pairs/.exec(l)).find(Boolean);
  return {
    input: join(dir, readdirSync(dir).find((f) => /^in\./.test(f))),
    options: { dropNormals: answers[0] === 'y', angle, pairs: mode ?? 'consecutive', ...(shape ? { shape: Number(shape) } : {}) },
    triangles: Number(box[1]),
    joins: Number(box[2]),
    expected: readFileSync(join(dir, output.slice(7))),
  };
}

const cases = ['tests/cases', 'tests/pairs'].flatMap((d) =>
  readdirSync(join(root, d), { withFileTypes: true }).filter((e) => e.isDirectory()).map((e) => join(root, d, e.name)))
  .map((dir) => [dir.slice(root.length), caseOf(dir)]).filter(([, c]) => c);

for (const [name, c] of cases)
  for (const threads of [1, 2])
    test(`${name} on ${threads} thread(s), in memory and from file to file`, async () => {
      const r = await quadrify(readFileSync(c.input), { ...c.options, threads });
      assert.ok(Buffer.from(r.output).equals(c.expected), 'the copy differs from the expected output');
      assert.deepEqual([r.triangles, r.joins], [c.triangles, c.joins]);
      const out = join(project, `case-${threads}.obj`);
      const counts = await quadrifyFile(c.input, out, { ...c.options, threads });
      assert.ok(readFileSync(out).equals(c.expected), 'the file copy differs from the expected output');
      assert.deepEqual(counts, { vertices: r.vertices, faces: r.faces, triangles: r.triangles, joins: r.joins, warning: r.warning });
    });

function commandLine(args) {
  return execFileSync(native, ['-q', '-j', '1', ...args], { maxBuffer: 1 << 30 });
}

// The corpus, in both modes, against the command line on the same machine.
const meshes = existsSync(corpus) ? readdirSync(corpus).filter((f) => f.endsWith('.obj')) : [];
test('the corpus as the command line copies it', { skip: !meshes.length ? `no corpus at ${corpus}` : nativeSkip }, async () => {
  for (const mesh of meshes)
    for (const [options, args] of [[{ dropNormals: true }, ['-n']], [{ pairs: 'neighbours', angle: 2.5, threads: 2 }, ['-p', 'neighbours', '-a', '2.5']]]) {
      const r = await quadrify(readFileSync(join(corpus, mesh)), options);
      assert.ok(Buffer.from(r.output).equals(commandLine([...args, join(corpus, mesh), '-'])), `${mesh} ${args.join(' ')}: the copy differs`);
    }
});

// A run longer than the copy keeps in memory (the 6 MB of faces of a grid) is read again
// to be written, the tokens of its joined faces kept in many blocks, whose
// places take 64 bits on the 32-bit module too.
test('a run read again, as the command line copies it', { skip: !existsSync(grid) ? `no ${grid}` : nativeSkip }, async () => {
  const file = join(project, 'grid.obj');
  execFileSync('python3', [grid, '240', '240', file]);
  const expected = commandLine(['-p', 'neighbours', file, '-']);
  for (const threads of [1, 2]) {
    const r = await quadrify(readFileSync(file), { pairs: 'neighbours', threads });
    assert.ok(Buffer.from(r.output).equals(expected), `on ${threads} thread(s): the copy differs from the command line's`);
  }
});

// A 210 MB grid from file to file, in a node of its own whose peak memory
// is measured against what it held before the call.
test('a 210 MB grid from file to file, within 24 bytes a vertex and 64 MiB', { skip: !existsSync(grid) ? `no ${grid}` : nativeSkip, timeout: 600000 }, () => {
  const file = join(project, 'grid1000.obj'), out = join(project, 'grid1000-quads.obj');
  execFileSync('python3', [grid, '1000', '1000', file]);
  for (const threads of [1, 2]) {
    const measure = `import { quadrifyFile } from 'facemeld';
      import { readFileSync } from 'node:fs';
      const kib = (k) => 1024 * Number(new RegExp(k + ':\\\\s*(\\\\d+)').exec(readFileSync('/proc/self/status', 'utf8'))[1]);
      const before = kib('VmRSS');
      const c = await quadrifyFile(${JSON.stringify(file)}, ${JSON.stringify(out)}, { threads: ${threads} });
      console.log(JSON.stringify({ grown: kib('VmHWM') - before, vertices: c.vertices }));`;
    const m = JSON.parse(execFileSync('node', ['--input-type=module', '-e', measure], { cwd: project, encoding: 'utf8' }));
    const bound = 24 * m.vertices + 64 * 2 ** 20;
    console.log(`# on ${threads} thread(s) the copy grew node by ${(m.grown / 2 ** 20).toFixed(1)} MiB of ${(bound / 2 ** 20).toFixed(1)} allowed`);
    assert.ok(m.grown <= bound, `the copy took ${m.grown} bytes, more than ${bound}`);
    assert.ok(readFileSync(out).equals(commandLine([file, '-'])), `on ${threads} thread(s): the copy differs from the command line's`);
  }
  rmSync(file);
  rmSync(out);
});

// Each line of options.txt: a copy as the command line's, or the error.
test('options as options.txt has them', { skip: !meshes.length ? `no corpus at ${corpus}` : nativeSkip }, async () => {
  const mesh = join(corpus, 'meshmixer_groups.obj'), bytes = readFileSync(mesh);
  const rows = readFileSync(join(here, 'options.txt'), 'utf8').split('\n').filter((l) => l && !l.startsWith('#'));
  for (const row of rows) {
    const [given, what, message] = row.split('\t');
    const options = Function(`return (${given});`)();
    if (what.startsWith('ok')) {
      const r = await quadrify(bytes, options);
      assert.ok(Buffer.from(r.output).equals(commandLine([...what.split(' ').slice(1), mesh, '-'])), `${given}: the copy differs`);
    } else {
      const said = message.replace(/\\n/g, '\n');
      await assert.rejects(quadrify(bytes, options), (e) => e.constructor.name === what && e.message === said, given);
    }
  }
  // The file call checks them before it opens a file.
  await assert.rejects(quadrifyFile(join(project, 'none.obj'), join(project, 'x.obj'), { angel: 1 }), TypeError);
});

test('inputs of every kind; the counts with the face lines and the command line\'s warning', async () => {
  const text = (s) => new TextEncoder().encode(s), square = text('v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 3 4 1\n');
  const wide = new Uint8Array(square.length + 8), shared = new Uint8Array(new SharedArrayBuffer(square.length));
  wide.set(square, 3), shared.set(square);
  for (const input of [Buffer.from(square), square.slice().buffer, new DataView(wide.buffer, 3, square.length),
    new Int8Array(wide.buffer, 3, square.length), shared.buffer, shared])
    assert.deepEqual((await quadrify(input)).output, (await quadrify(square)).output, Object.prototype.toString.call(input));
  for (const input of ['v 0 0 0', [118, 10], null, undefined]) await assert.rejects(quadrify(input), TypeError);
  for (const [bytes, faces, warning] of [
    [new Uint8Array(0), 0, 'this file may not be a mesh file'],
    [Buffer.from('iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==', 'base64'), 0, 'this file may not be a mesh file'],
    [text('v 0 0 0\nv 1 0 0\nv 1 1 0\n'), 0, 'this file may not be a mesh file'],
    [text('v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nf 4 3 2 1\n'), 2, 'this file has no triangles to join'],
    [square, 2, ''],
  ]) {
    const r = await quadrify(bytes);
    assert.deepEqual([r.faces, r.warning], [faces, warning]);
  }
});

// A table of 4.8 GB for 200 million vertex lines is more than the module
// can address. An output that is there stays as it was, with no hidden
// file left beside it; a copy that succeeds replaces it and keeps its
// permissions.
test('the file call replaces its output only once the copy is complete', async () => {
  const big = join(project, 'many.obj'), out = join(project, 'kept.obj');
  writeFileSync(big, Buffer.alloc(400e6, 'v\n'));
  writeFileSync(out, 'old\n');
  chmodSync(out, 0o640);
  await assert.rejects(quadrifyFile(big, out), { message: 'not enough memory to read this file', failure: 'memory', path: big });
  await assert.rejects(quadrify(readFileSync(big)), { message: 'not enough memory to read this file' });
  rmSync(big);
  assert.equal(readFileSync(out, 'utf8'), 'old\n');
  assert.deepEqual(readdirSync(project).filter((f) => f.startsWith('.kept.obj')), []);
  await quadrifyFile(join(root, 'tests/web/cube.obj'), out);
  assert.equal((statSync(out).mode & 0o777).toString(8), '640');
  assert.match(readFileSync(out, 'utf8'), /^f 1 4 3 2$/m);
  // The module is whole after that.
  assert.equal((await quadrify(readFileSync(join(root, 'tests/web/cube.obj')))).faces, 6);
});

// The file call's failures in the command line's words: its line is
// "facemeld: PATH: COMPLAINT".
test('the file call fails as the command line does', { skip: nativeSkip }, async () => {
  const d = join(project, 'failures'), cube = join(root, 'tests/web/cube.obj');
  mkdirSync(join(d, 'folder.obj'), { recursive: true });
  writeFileSync(join(d, 'in.obj'), readFileSync(cube));
  symlinkSync('in.obj', join(d, 'link.obj'));
  for (const [from, to] of [['none.obj', 'out.obj'], ['in.obj', 'in.obj'], ['in.obj', 'link.obj'], ['in.obj', 'no/out.obj'],
    ['folder.obj', 'out.obj'], ['in.obj', 'in.obj/out.obj']]) {
    const said = spawnSync(native, ['-q', from, to], { cwd: d, encoding: 'utf8' }).stderr;
    const [, path, complaint] = /^facemeld: (.*?): (.*)\n$/.exec(said);
    await assert.rejects(quadrifyFile(join(d, from), join(d, to)), { message: complaint, path: join(d, path) }, `${from} to ${to}`);
  }
  // An output that is a folder, which the command line would copy into.
  await assert.rejects(quadrifyFile(join(d, 'in.obj'), join(d, 'folder.obj')),
    { message: "I can't open this file (Is a directory)", path: join(d, 'folder.obj') });
  assert.deepEqual(readdirSync(d).sort(), ['folder.obj', 'in.obj', 'link.obj']);
});

// Types: tsc refuses a default import, which node would refuse, and
// passes an ES module and a CommonJS module that copy a case, which then
// run on node 18.
const tsc = join(root, 'web/node_modules/typescript/bin/tsc');
const node18 = [join(root, 'build/web/node18/node'), 'node'].find((n) => spawnSync(n, ['--version'], { encoding: 'utf8' }).stdout?.startsWith('v18.'));
test('the types, for ES modules and CommonJS, on node 18', { skip: !existsSync(tsc) ? `no ${tsc}` : !node18 && 'no node 18 (sh scripts/web.sh node18)' }, () => {
  const types = join(project, 'types');
  mkdirSync(types, { recursive: true });
  for (const f of readdirSync(join(here, 'types'))) writeFileSync(join(types, f), readFileSync(join(here, 'types', f)));
  const check = (...files) => spawnSync('node', [tsc, '--module', 'node16', '--target', 'es2022', '--strict', '--types', 'node',
    '--typeRoots', join(root, 'web/node_modules/@types'), '--outDir', join(types, 'out'), ...files], { cwd: types, encoding: 'utf8' });
  const refused = check('default.mts');
  assert.notEqual(refused.status, 0, 'tsc takes a default import');
  assert.match(refused.stdout, /has no default export/);
  const passed = check('use.mts', 'use.cts');
  assert.equal(passed.status, 0, passed.stdout);
  // A case that the programs' options copy: neighbours, at 5 degrees, with the normals.
  const [, c] = cases.find(([, k]) => k.options.pairs === 'neighbours' && k.options.angle === 5 && !k.options.dropNormals && k.joins);
  for (const program of ['use.mjs', 'use.cjs']) {
    const out = join(types, `${program}.obj`);
    execFileSync(node18, [join(types, 'out', program), c.input, out], { cwd: types });
    assert.ok(readFileSync(out).equals(c.expected), `${program} on node 18: the copy differs from the expected output`);
  }
});
