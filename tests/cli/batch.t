A batch: each input copied into the folder under its own file name. A
failure in the middle is reported, the others are still copied, and the
status is 1.

  $ cp "$EXAMPLES/cube.obj" a.obj && cp "$EXAMPLES/square.obj" c.obj && mkdir out
  $ facemeld -o out/ a.obj b.obj c.obj
  a.obj: 12 triangles found, 6 pairs of triangles joined
  facemeld: b.obj: I can't open this file (No such file or directory)
  c.obj: 2 triangles found, 1 pair of triangles joined
  [1]
  $ facemeld -o out 'none*.obj'
  facemeld: none*.obj: I can't open this file (No such file or directory)
  [1]
  $ ls out
  a.obj
  c.obj
  $ facemeld -n a.obj one.obj && facemeld -q -n --output-dir=out a.obj "$PWD/c.obj" && cmp one.obj out/a.obj
  a.obj: 12 triangles found, 6 pairs of triangles joined

A folder as the last of the paths takes the copies, as -o does, as cp
copies into a folder: one file too. A path that is no folder is an extra
path.

  $ mkdir last && facemeld a.obj last/ && facemeld -q -n a.obj c.obj last && ls last && cmp last/a.obj one.obj
  a.obj: 12 triangles found, 6 pairs of triangles joined
  a.obj
  c.obj
  $ facemeld -q a.obj c.obj last.obj
  facemeld: extra path 'last.obj' (a batch needs -o DIR, or a folder last); try 'facemeld --help'
  [2]
  $ facemeld -q - last < a.obj
  facemeld: '-' cannot be copied in a batch; try 'facemeld --help'
  [2]

An input already in the folder would be its own output: refused, and the
batch goes on. A second input of the same file name would replace the
first one's copy: refused as well.

  $ facemeld -q -o out out/a.obj c.obj
  facemeld: out/a.obj: I can't copy a file to itself
  [1]
  $ facemeld -q c.obj two.obj && cmp two.obj out/c.obj
  $ mkdir sub && cp c.obj sub/a.obj
  $ facemeld -qn -o out a.obj sub/a.obj
  facemeld: out/a.obj: I already copied another file to this one
  [1]
  $ cmp out/a.obj one.obj

A reader of the summaries that goes away does not stop the batch.

  $ rm out/*
  $ { sleep 0.5; facemeld -o out a.obj c.obj; echo $? >status; } | true; cat status; ls out
  0
  a.obj
  c.obj

With two threads the files are shared among them, and the lines still
come in the order of the inputs: the first file, the largest, is done last.
The copies are those of one thread.

  $ awk 'BEGIN { for (i = 1; i <= 60000; i++) print "v " i " 0 0\nv " i " 1 0\nf -1 -2 -3\nf -3 -2 -1" }' > slow.obj
  $ mkdir one two && facemeld -j 2 -o two slow.obj a.obj missing.obj c.obj
  slow.obj: 120000 triangles found, 0 pairs of triangles joined
  a.obj: 12 triangles found, 6 pairs of triangles joined
  facemeld: missing.obj: I can't open this file (No such file or directory)
  c.obj: 2 triangles found, 1 pair of triangles joined
  [1]
  $ facemeld -q -j 1 -o one slow.obj a.obj c.obj && ls two && diff -r one two
  a.obj
  c.obj
  slow.obj
