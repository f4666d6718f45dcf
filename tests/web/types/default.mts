// The package has no default export: tsc must refuse this, as node would.
import facemeld from 'facemeld';

facemeld.quadrify(new Uint8Array(0));
