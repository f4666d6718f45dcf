The progress line: only on a terminal, and only once a pass has run for
about a second. The output is a pipe whose reader waits two seconds before
it drains it, so the pass stalls long enough on any machine. The terminal
is a pseudo-terminal from script(1); in what it shows, CR is ^, ESC is E
and numbers are N; a run of progress lines is shown as one.

  $ awk 'BEGIN { for (i = 1; i <= 100000; i++) print "v " i " 0 0\nf " i " " i " " i }' > big.obj
  $ mkfifo slow.obj
  $ slow() { echo "{ sleep 2; cat >/dev/null; } <slow.obj & $*; wait"; }
  $ shown() { tr '\r\033' '^E' | sed 's/[0-9][0-9]*/N/g; s/\(\^big.obj: N%, N MB\/sE\[K\)\{1,\}/<progress>/'; }

On a terminal it is drawn, then erased before the summary.

  $ script -qec "$(slow facemeld big.obj slow.obj)" /dev/null | shown
  <progress>^E[Kbig.obj: N triangles found, N pairs of triangles joined^

A pass of less than a second shows none: its time counts from its start.

  $ cp "$EXAMPLES/cube.obj" cube.obj && script -qec "facemeld cube.obj copy.obj" /dev/null | shown
  cube.obj: N triangles found, N pairs of triangles joined^

A long name keeps its end, and the line fills the terminal's width less
its last column, so that it never wraps.

  $ cp big.obj a-rather-long-name-for-a-mesh.obj
  $ script -qec "stty cols 30; $(slow facemeld a-rather-long-name-for-a-mesh.obj slow.obj)" /dev/null | tr '\r' '\n' | sed -n 's/\x1b\[[?0-9;]*[A-Za-z]//g; s/\x1b//g; /MB\/s/p' | awk '!/^\.\.\..*mesh\.obj: / || length != 29 { print "drawn wrong: " $0 } END { print NR ? "drawn" : "never drawn" }'
  drawn

Not with --quiet, and not when standard error is a pipe or a file.

  $ script -qec "$(slow facemeld -q big.obj slow.obj)" /dev/null | shown
  $ script -qec "$(slow 'facemeld big.obj slow.obj 2>&1 | cat')" /dev/null | shown
  big.obj: N triangles found, N pairs of triangles joined^
  $ sh -c "$(slow facemeld big.obj slow.obj)" 2>&1 | shown
  big.obj: N triangles found, N pairs of triangles joined

A batch shows one line for all its files: how many are done, and how far
it has come through their bytes.

  $ mkdir dir && mkfifo dir/big.obj
  $ script -qec "{ sleep 2; cat >/dev/null; } <dir/big.obj & facemeld -o dir big.obj; wait" /dev/null | shown | sed 's/\(\^N of N files: N%, N MB\/sE\[K\)\{1,\}/<files>/'
  <files>^E[Kbig.obj: N triangles found, N pairs of triangles joined^
