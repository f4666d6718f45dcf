One file: the summary on standard output, a failure as one line on standard
error with status 1, the input never touched.

  $ cp "$EXAMPLES/cube.obj" cube.obj
  $ facemeld -n cube.obj out.obj 2>/dev/null
  cube.obj: 12 triangles found, 6 pairs of triangles joined
  $ facemeld -q cube.obj out.obj

An existing output is replaced without a question, whatever it was.

  $ echo old > out.obj && facemeld cube.obj out.obj </dev/null >/dev/null && grep -c '^f' out.obj
  6

Each failure names its path: the input, or the output that cannot be
opened; standard output stays empty, even without --quiet.

  $ facemeld missing.obj out.obj 2>/dev/null
  [1]
  $ facemeld missing.obj out.obj
  facemeld: missing.obj: I can't open this file (No such file or directory)
  [1]
  $ facemeld -q cube.obj no/such/out.obj
  facemeld: no/such/out.obj: I can't open this file (No such file or directory)
  [1]
  $ facemeld -q cube.obj /sys/out.obj
  facemeld: /sys: I can't make a new file in this folder (Permission denied)
  [1]
  $ mkdir dir.obj && facemeld dir.obj out.obj
  facemeld: dir.obj: I can't read this file (Is a directory)
  [1]

Suffixes in any case; a bad one names the path that has it, says what a
name must end in, and nothing is created.

  $ cp cube.obj CUBE.Obj && facemeld -q CUBE.Obj out.OBJ
  $ facemeld cube.obj out.txt
  facemeld: out.txt: bad suffix (the name must end in .obj)
  [1]
  $ facemeld cube.txt out.obj
  facemeld: cube.txt: bad suffix (the name must end in .obj)
  [1]
  $ facemeld -q cube.obj new.txt || test ! -e new.txt
  facemeld: new.txt: bad suffix (the name must end in .obj)

The same file under another name is refused before anything is opened.

  $ cmp cube.obj "$EXAMPLES/cube.obj"
  $ ln -s cube.obj link.obj && ln cube.obj hard.obj
  $ facemeld cube.obj ./cube.obj
  facemeld: cube.obj: I can't copy a file to itself
  [1]
  $ facemeld cube.obj link.obj
  facemeld: cube.obj: I can't copy a file to itself
  [1]
  $ facemeld hard.obj ../${PWD##*/}/cube.obj
  facemeld: hard.obj: I can't copy a file to itself
  [1]
  $ cmp cube.obj "$EXAMPLES/cube.obj"

A file that may not be a mesh: a warning on standard error, not a failure;
--quiet leaves it out.

  $ printf 'v 0 0 0\n' > point.obj
  $ facemeld point.obj out.obj 2>&1 >/dev/null
  facemeld: point.obj: this file may not be a mesh file
  $ facemeld -q point.obj out.obj
  $ facemeld point.obj out.obj 2>/dev/null
  point.obj: 0 triangles found, 0 pairs of triangles joined

Faces, but none of three corners: nothing to join, which is no failure.

  $ printf 'v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n' > quad.obj
  $ facemeld quad.obj out.obj
  quad.obj: 0 triangles found, 0 pairs of triangles joined
  facemeld: quad.obj: this file has no triangles to join


Control bytes in a path are shown as '?', in failures and summaries alike.

  $ facemeld "$(printf 'tab\there.obj')" out.obj
  facemeld: tab?here.obj: I can't open this file (No such file or directory)
  [1]
  $ cp cube.obj "$(printf 'esc\033.obj')" && facemeld -n "$(printf 'esc\033.obj')" out.obj
  esc?.obj: 12 triangles found, 6 pairs of triangles joined
