// Times the npm package's call quadrify on a file held in memory: one call
// to warm up, then RUNS calls, each alone; prints each time and the best.
//
//   node bench/web.mjs FILE [RUNS] [OPTIONS-AS-JSON]
//   e.g. node bench/web.mjs grid.obj 3 '{"dropNormals":true}'
import { readFileSync } from 'node:fs';
import { quadrify } from '../build/web/package/index.mjs';

const [file, runs = '3', options = '{}'] = process.argv.slice(2);
const bytes = readFileSync(file);
const o = JSON.parse(options);
await quadrify(bytes, o);
const times = [];
for (let i = 0; i < Number(runs); i++) {
  const start = performance.now();
  await quadrify(bytes, o);
  times.push((performance.now() - start) / 1000);
}
console.log(`quadrify ${JSON.stringify(o)}: ${times.map((t) => t.toFixed(3)).join(' ')} s, best ${Math.min(...times).toFixed(3)} s`);
