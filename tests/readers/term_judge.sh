#!/bin/sh
# Copies meshes with the terminal edition, driven through its standard
# input as a script would drive it, and judges each copy with the readers.
#   term_judge.sh FACEMELD JUDGE MESH...
# Meshes that do not exist are passed over; none at all is a skip (77).
set -eu
facemeld=$1 judge=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
judged=0
for mesh in "$@"; do
  [ -f "$mesh" ] || continue
  for normals in n y; do
    for limit in 5; do
      out="$work/copy.obj"
      rm -f "$out"
      printf 'q\n%s\n%s\n%s\n%s\ne\n' "$mesh" "$out" "$normals" "$limit" | "$facemeld" > "$work/log"
      joined=$(sed -n 's/^[0-9]* triangles found, \([0-9]*\) pairs of triangles joined$/\1/p' "$work/log")
      if [ -z "$joined" ]; then
        echo "$mesh ($normals, $limit): no summary from the terminal edition"
        cat "$work/log"
        exit 1
      fi
      echo "$(basename "$mesh"), normals dropped: $normals, limit $limit: $joined pairs joined"
      "$judge" --pair "$mesh" "$out" "$joined"
      judged=$((judged + 1))
    done
  done
done
[ "$judged" -gt 0 ] || { echo "no mesh found: skipped"; exit 77; }
echo "$judged copies of the terminal edition judged sound"
