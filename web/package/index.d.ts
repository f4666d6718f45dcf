export interface Options {
  /** Leave out the vn lines, and the normals of the triangles' corners. Default false. */
  dropNormals?: boolean;
  /** The largest fold, in degrees, of two triangles that are joined. Default 5. */
  angle?: number;
  /** Which triangles may be joined. Default 'consecutive'. */
  pairs?: 'consecutive' | 'neighbours';
  /** Threads to copy with; 0 for one per core. Default 1. */
  threads?: number;
}

export interface Result {
  /** The copy, its lines ending in LF; empty when the input has no vertex lines. */
  output: Uint8Array;
  /** Vertex lines counted. */
  vertices: number;
  /** Face lines of three corners. */
  triangles: number;
  /** Pairs of them joined. */
  joins: number;
}

/**
 * Copies the mesh in `bytes`, joining pairs of triangles into quads as the
 * command line `facemeld` does. Rejects with an Error whose message is the
 * command line's complaint, e.g. "not enough memory to read this file".
 */
export function quadrify(bytes: Uint8Array, options?: Options): Promise<Result>;
