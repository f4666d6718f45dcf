// Copies the file IN to OUT as an ES module using the package's types:
// node use.mjs IN OUT
import { readFileSync, writeFileSync } from 'node:fs';
import { quadrify, type Options, type Result } from 'facemeld';

const [input, output] = process.argv.slice(2);
const options: Options = { pairs: 'neighbors', angle: 5, threads: 1 };
const r: Result = await quadrify(readFileSync(input), options);
const counted: number = r.faces + r.triangles + r.joins;
writeFileSync(output, r.output);
if (r.warning !== '' || counted === 0) process.exit(1);
