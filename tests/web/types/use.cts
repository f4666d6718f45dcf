// Copies the file IN to OUT as a CommonJS module using the package's types:
// node use.cjs IN OUT
import { readFileSync, writeFileSync } from 'node:fs';
import { quadrify, type Options } from 'facemeld';

const [input, output] = process.argv.slice(2);
const options: Options = { pairs: 'neighbors', angle: '5' };
const bytes = readFileSync(input);
quadrify(new DataView(bytes.buffer, bytes.byteOffset, bytes.length), options).then((r) => writeFileSync(output, r.output));
