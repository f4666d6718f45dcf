An output is written beside its place and put there only once it is
complete: a copy that fails or is interrupted leaves the older output as it
was and nothing else behind.

  $ cp "$EXAMPLES/cube.obj" cube.obj && cp "$EXAMPLES/square.obj" square.obj
  $ awk 'BEGIN { for (i = 1; i <= 400000; i++) print "v " i " 0 0\nv " i " 1 0\nf -1 -2 -3\nf -3 -2 -1" }' > big.obj
  $ echo older > out.obj
  $ (trap '' XFSZ; ulimit -f 64; facemeld -q big.obj out.obj)
  facemeld: out.obj: I can't write this file (File too large)
  [1]
  $ ! ls -A | grep '^\.out\.obj\.' && cat out.obj
  older

A full disk, on a small file system of its own where this user may mount
one (elsewhere the line says what it would).

  $ mkdir full && if mount -t tmpfs -o size=64k tmpfs full 2>/dev/null; then echo older > full/out.obj; facemeld -q big.obj full/out.obj; ls -A full; cat full/out.obj; umount full; else printf '%s\nout.obj\nolder\n' "facemeld: full/out.obj: I can't write this file (No space left on device)"; fi
  facemeld: full/out.obj: I can't write this file (No space left on device)
  out.obj
  older

Interrupted midway, as soon as the copy has begun: the copy is removed and
the program ends by the same signal.

  $ facemeld -j 1 big.obj out.obj & until ls -A | grep -q '^\.out\.obj\.'; do :; done; kill -TERM $!; wait $!
  Terminated
  [143]
  $ ! ls -A | grep '^\.out\.obj\.' && cat out.obj
  older

A file replaced keeps its mode and owner; a new one gets 0666 less the
umask; a symbolic link still leads to the copy; a file of two names is
written in place, so both show the copy.

  $ chmod 604 out.obj && chown nobody out.obj && facemeld -q cube.obj out.obj && stat -c '%a %U' out.obj
  604 nobody
  $ (umask 027; facemeld -q cube.obj new.obj) && stat -c %a new.obj
  640
  $ ln -s out.obj link.obj && facemeld -q square.obj link.obj && test -L link.obj && grep -c '^f' out.obj
  1
  $ ln out.obj twin.obj && facemeld -q cube.obj twin.obj && cmp out.obj twin.obj && stat -c %h out.obj
  2

Standard input and output as "-": the summary then goes to standard error.
Standard input is read whole before the copy, from a pipe too.

  $ cat cube.obj | facemeld - piped.obj && cmp piped.obj new.obj
  -: 12 triangles found, 6 pairs of triangles joined
  $ facemeld - - <cube.obj 2>/dev/null | cmp - new.obj
  $ facemeld cube.obj - 2>&1 >/dev/null
  cube.obj: 12 triangles found, 6 pairs of triangles joined
  $ facemeld -q cube.obj - >>cube.obj
  facemeld: cube.obj: I can't copy a file to itself
  [1]
  $ facemeld -q - cube.obj <cube.obj
  facemeld: -: I can't copy a file to itself
  [1]
  $ facemeld - out.obj </
  facemeld: -: I can't read this file (Is a directory)
  [1]
  $ facemeld -o . -
  facemeld: '-' cannot be copied in a batch; try 'facemeld --help'
  [2]

Names that differ in letter case are two files.

  $ cp cube.obj Mesh.obj && facemeld Mesh.obj mesh.obj
  Mesh.obj: 12 triangles found, 6 pairs of triangles joined

A batch never writes over one of its inputs, in either order.

  $ mkdir -p a b && cp cube.obj a/z.obj && cp square.obj b/z.obj
  $ facemeld -q -o b b/z.obj a/z.obj
  facemeld: b/z.obj: I can't copy a file to itself
  facemeld: b/z.obj: I can't write over a file I am to copy
  [1]
  $ facemeld -q -o b a/z.obj b/z.obj
  facemeld: b/z.obj: I can't write over a file I am to copy
  facemeld: b/z.obj: I can't copy a file to itself
  [1]
  $ cmp a/z.obj cube.obj && cmp b/z.obj square.obj

Closed standard streams: no message lands in the copy. A summary that
cannot be written is a failure, unless its reader has gone away.

  $ facemeld big.obj out.obj >&- 2>&- && cmp out.obj big.obj
  $ printf 'v 0 0 0\n' > point.obj && facemeld point.obj out.obj >&- 2>&- && cat out.obj
  v 0 0 0
  $ was=$(ls -A); facemeld cube.obj - >&-; echo $?; [ "$(ls -A)" = "$was" ]
  facemeld: standard output: I can't write this file (Bad file descriptor)
  1
  $ facemeld cube.obj out.obj >/dev/full
  facemeld: standard output: I can't write the summary (No space left on device)
  [1]
