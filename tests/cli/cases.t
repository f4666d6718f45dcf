The command line writes what the menu writes for the same answers: the
copies of the cases in tests/cases, byte for byte, and with --quiet nothing
printed. -n answers yes to dropping the normals, -a the angle.

  $ copy() { c=$CASES/$1; shift; facemeld -q "$@" "$c/in.obj" out.obj && cmp out.obj "$c/expected.obj"; }
  $ copy cube-drop -n -a 5
  $ copy cube-keep -a 5
  $ copy mixed-drop -n
  $ copy mixed-keep --angle=5
  $ copy square
  $ copy terrain-0 -a 0
  $ copy terrain-5 -a5
  $ copy terrain-30 -na 30
  $ copy drop-normals-between --drop-normals
  $ copy join-upper-case
  $ copy line-ends
  $ copy separators
