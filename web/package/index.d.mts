// The types of facemeld, for ES modules (index.d.mts) and CommonJS
// (index.d.cts, the same declarations).

/** The command line's options, with its defaults. */
export interface Options {
  /** Leave out the vn lines, and the normals of the triangles' corners (-n). Default false. */
  dropNormals?: boolean;
  /**
   * The largest fold, in degrees, of two triangles that are joined (-a): a
   * finite number, or a decimal number as text as the command line reads it
   * ('5', ' 2.5 '). Two triangles in one plane measure 0.8103, so a smaller
   * angle joins nothing. Default 5.
   */
  angle?: number | string;
  /**
   * The largest shape error, in degrees, of a quad that is made (-s): how
   * far one of its corners may be off 90 degrees, from 0 to 90, a number
   * or a decimal number as text. Default 90, any quad.
   */
  shape?: number | string;
  /**
   * Which triangles may be joined, and which are (-p): 'consecutive', each
   * with the one on the line after it; 'neighbours' (or 'neighbors'), any
   * two triangles of a run of face lines that share an edge, as many pairs
   * as the run allows and, among those, quads as square as can be;
   * 'squarest', the same pairs tried, and of them the quads of the greatest
   * worth, a quad worth 90 degrees less its shape error. Default
   * 'consecutive'.
   */
  pairs?: 'consecutive' | 'neighbours' | 'neighbors' | 'squarest';
  /** Threads to copy with, a whole number; 0 for one per core (-j). Default 1. */
  threads?: number;
}

/** What a copy counted, and what the command line would warn of it. */
export interface Counts {
  /** Vertex lines; none gives an empty copy. */
  vertices: number;
  /** Face lines. */
  faces: number;
  /** Face lines of three corners. */
  triangles: number;
  /** Pairs of them joined into quads. */
  joins: number;
  /**
   * '' when the file had triangles, else the command line's warning: 'this
   * file has no triangles to join' (it has face lines) or 'this file may
   * not be a mesh file' (it has none).
   */
  warning: string;
}

export interface Result extends Counts {
  /** The copy, its lines ending in LF. */
  output: Uint8Array;
}

/**
 * The Error a failed copy rejects with: its message is the command line's
 * complaint, such as "not enough memory to read this file" or "I can't open
 * this file (No such file or directory)". Bad options reject with a
 * TypeError (a value of the wrong type, a key that is no option) or a
 * RangeError (a value out of range) instead.
 */
export interface CopyError extends Error {
  /** How the copy failed: 'open', 'read', 'write', 'memory', 'same' ... */
  failure: string;
  /** quadrifyFile's: the file, or folder, that the complaint is about. */
  path?: string;
  /** quadrifyFile's: the system's code for the reason, such as 'ENOENT'. */
  code?: string;
}

/**
 * Copies the mesh in `input` (a Uint8Array, a Buffer, any other
 * ArrayBufferView or an ArrayBuffer), joining pairs of triangles into
 * quads as the command line `facemeld` does.
 */
export function quadrify(input: ArrayBufferView | ArrayBufferLike, options?: Options | null): Promise<Result>;

/**
 * Copies the file `input` to the file `output`, reading and writing in
 * pieces, as the command line does: an existing output is replaced only
 * once its copy is complete. Resolves to the counts.
 */
export function quadrifyFile(input: string | URL, output: string | URL, options?: Options | null): Promise<Counts>;
