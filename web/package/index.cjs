// facemeld for CommonJS: the calls of index.mjs, which the first call loads
// (import() loads an ES module from CommonJS on every node from 18 on).
'use strict';

let loaded = null;
const load = () => (loaded ??= import('./index.mjs'));

exports.quadrify = async (input, options) => (await load()).quadrify(input, options);
exports.quadrifyFile = async (input, output, options) => (await load()).quadrifyFile(input, output, options);
