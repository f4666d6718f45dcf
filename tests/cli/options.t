The options in every usual form, and the usage errors: one line on standard
error that names the problem, status 2, nothing copied.

A square folded by about 8.9 degrees along its diagonal: joined only when
the angle allows it. Options may stand before, between or after the paths;
the last of one kind counts.

  $ printf 'v 0 0 0\nv 1 0 0.11\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 3 4 1\n' > fold.obj

  $ facemeld fold.obj out.obj
  fold.obj: 2 triangles found, 0 pairs of triangles joined
  $ facemeld -a 10 fold.obj out.obj && cat out.obj
  fold.obj: 2 triangles found, 1 pair of triangles joined
  v 0 0 0
  v 1 0 0.11
  v 1 1 0
  v 0 1 0
  f 2 3 4 1
  $ facemeld -a10 fold.obj out.obj
  fold.obj: 2 triangles found, 1 pair of triangles joined
  $ facemeld --angle 1e1 fold.obj out.obj
  fold.obj: 2 triangles found, 1 pair of triangles joined
  $ facemeld --angle=+10. fold.obj out.obj
  fold.obj: 2 triangles found, 1 pair of triangles joined
  $ facemeld --ang=.5 fold.obj out.obj
  fold.obj: 2 triangles found, 0 pairs of triangles joined
  $ facemeld -a "$(printf ' \t10\t ')" fold.obj out.obj
  fold.obj: 2 triangles found, 1 pair of triangles joined
  $ facemeld fold.obj out.obj -a 10
  fold.obj: 2 triangles found, 1 pair of triangles joined
  $ facemeld fold.obj -a 10 out.obj -a 5
  fold.obj: 2 triangles found, 0 pairs of triangles joined
  $ facemeld -a 10 --pairs=neighbors fold.obj out.obj && facemeld -a10 -p consecutive -p neighbours fold.obj out.obj
  fold.obj: 2 triangles found, 1 pair of triangles joined
  fold.obj: 2 triangles found, 1 pair of triangles joined

Clustered options, and "--" before a path that looks like an option.

  $ cp "$EXAMPLES/cube.obj" ./-cube.obj
  $ facemeld -na 10 -- -cube.obj keep.obj && ! grep vn keep.obj
  -cube.obj: 12 triangles found, 6 pairs of triangles joined
  $ facemeld -j 1 --drop-normals --threads=2 -- -cube.obj drop.obj && cmp keep.obj drop.obj
  -cube.obj: 12 triangles found, 6 pairs of triangles joined
  $ facemeld -a -5 fold.obj out.obj
  fold.obj: 2 triangles found, 0 pairs of triangles joined

  $ facemeld --version
  facemeld 1.5.1
  $ facemeld -V --x
  facemeld 1.5.1
  $ facemeld --help | head -4
  facemeld                                 the interactive menu
  facemeld [OPTIONS] INPUT.obj OUTPUT.obj  copy one file
  facemeld [OPTIONS] INPUT.obj... DIR      copy each input into the folder DIR, under its own file name
  facemeld [OPTIONS] -o DIR INPUT.obj...   the same
  $ facemeld -h | grep -e --threads
    -j, --threads N         threads to work with (default: one per core)

  $ rm out.obj
  $ facemeld --x fold.obj out.obj
  facemeld: unknown option '--x'; try 'facemeld --help'
  [2]
  $ facemeld -nx fold.obj out.obj
  facemeld: unknown option '-x'; try 'facemeld --help'
  [2]
  $ facemeld --quiet=yes fold.obj out.obj
  facemeld: option '--quiet' takes no value; try 'facemeld --help'
  [2]
  $ facemeld fold.obj out.obj --angle
  facemeld: option '--angle' needs a value; try 'facemeld --help'
  [2]
  $ facemeld fold.obj out.obj -na
  facemeld: option '-a' needs a value; try 'facemeld --help'
  [2]
  $ facemeld -a 5deg fold.obj out.obj
  facemeld: the angle '5deg' is not a decimal number; try 'facemeld --help'
  [2]
  $ facemeld -a inf fold.obj out.obj
  facemeld: the angle 'inf' is not a decimal number; try 'facemeld --help'
  [2]
  $ facemeld -a 1e999 fold.obj out.obj
  facemeld: the angle '1e999' is not a decimal number; try 'facemeld --help'
  [2]
  $ facemeld -a nan fold.obj out.obj
  facemeld: the angle 'nan' is not a decimal number; try 'facemeld --help'
  [2]
  $ facemeld -a "$(printf '\n5')" fold.obj out.obj 2>/dev/null; echo $?
  2
  $ facemeld --help | grep -A1 0.81
                            Two flat triangles measure about 0.81, so an angle below
                            that joins nothing
  $ facemeld -a 0x10 fold.obj out.obj
  facemeld: the angle '0x10' is not a decimal number; try 'facemeld --help'
  [2]
  $ facemeld -a '' fold.obj out.obj
  facemeld: the angle '' is not a decimal number; try 'facemeld --help'
  [2]
  $ facemeld -p pairs fold.obj out.obj
  facemeld: the pairing mode 'pairs' is not 'consecutive', 'neighbours' or 'squarest'; try 'facemeld --help'
  [2]
  $ facemeld --pairs= fold.obj out.obj
  facemeld: the pairing mode '' is not 'consecutive', 'neighbours' or 'squarest'; try 'facemeld --help'
  [2]

The shape limit: a decimal number from 0 to 90, read as the angle is.

  $ facemeld -q -s 90 fold.obj out.obj && facemeld -q --shape=0 fold.obj out.obj && facemeld -q -s ' 45.5 ' -p squarest fold.obj out.obj && rm out.obj
  $ for s in 90.0001 -1 -0.5 nan inf 1e999 0x10 45deg 5,5 ''; do facemeld -s "$s" fold.obj out.obj; done
  facemeld: the shape limit '90.0001' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit '-1' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit '-0.5' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit 'nan' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit 'inf' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit '1e999' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit '0x10' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit '45deg' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit '5,5' is not a number from 0 to 90; try 'facemeld --help'
  facemeld: the shape limit '' is not a number from 0 to 90; try 'facemeld --help'
  [2]
  $ facemeld fold.obj out.obj -s
  facemeld: option '-s' needs a value; try 'facemeld --help'
  [2]
  $ facemeld fold.obj out.obj --shape
  facemeld: option '--shape' needs a value; try 'facemeld --help'
  [2]
  $ facemeld -j 0 fold.obj out.obj
  facemeld: the number of threads '0' is not a positive integer; try 'facemeld --help'
  [2]
  $ facemeld -j 2x fold.obj out.obj
  facemeld: the number of threads '2x' is not a positive integer; try 'facemeld --help'
  [2]
  $ facemeld -j 4294967296 fold.obj out.obj
  facemeld: the number of threads '4294967296' is not a positive integer; try 'facemeld --help'
  [2]
  $ facemeld fold.obj
  facemeld: no output path; try 'facemeld --help'
  [2]
  $ facemeld -q
  facemeld: no input or output path; try 'facemeld --help'
  [2]
  $ facemeld fold.obj out.obj more.obj
  facemeld: extra path 'more.obj' (a batch needs -o DIR, or a folder last); try 'facemeld --help'
  [2]
  $ facemeld -o nowhere fold.obj
  facemeld: 'nowhere' is not a folder; try 'facemeld --help'
  [2]
  $ facemeld -o fold.obj fold.obj
  facemeld: 'fold.obj' is not a folder; try 'facemeld --help'
  [2]
  $ mkdir out && facemeld -o out
  facemeld: no input path; try 'facemeld --help'
  [2]
  $ ls
  -cube.obj
  drop.obj
  fold.obj
  keep.obj
  out
