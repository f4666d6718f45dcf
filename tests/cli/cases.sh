#!/bin/sh
# Plays through the command line every case that is a plain successful copy
# (see ../cases/README.md): its answers become -n and -a (the last answer
# counts, the menu asks again until it gets a number), its summary box the
# one line expected on standard output, its warning box the one line on
# standard error, its output file the copy.
# Usage: cases.sh BINDIR CASES SCRATCHPARENT
set -eu
export PATH="$(realpath "$1"):$PATH"
scratch=$(mktemp -d "$3/casesXXXXXX")
trap 'rm -rf "$scratch"' EXIT
played=0 failed=0
for case in "$(realpath "$2")"/*/; do
  name=$(basename "$case")
  plan=$(awk '
    /^(#|$)/ || /^(open in|save out)\.obj$/ || /^title / { next }
    /^(yesno|ask) / { q = $1; next }
    q == "yesno" && /^> [yn]$/ { n = $2 == "y" ? " -n" : ""; next }
    q == "ask" && /^>/ { a = NF > 1 && $2 !~ /^!/ ? " -a " $2 : ""; next }
    /^box \| / { summary = substr($0, 7); next }
    /^box @in \| / { warning = "facemeld: in.obj: " substr($0, 11); next }
    /^output / { out = $2; next }
    { other = 1 }
    END { if (other || summary == "" || out == "") exit 1; print "facemeld" n a; print summary; print out; print warning }
  ' "$case/steps") || { echo "$name: not a plain copy, left out"; continue; }
  run="$(echo "$plan" | sed -n 1p) in.obj out.obj"
  summary=$(echo "$plan" | sed -n 2p) expected="$case$(echo "$plan" | sed -n 3p)"
  warning=$(echo "$plan" | sed -n 4p)
  mkdir "$scratch/$name" && cp -L "$case"/* "$scratch/$name/" && cd "$scratch/$name"
  $run >stdout 2>stderr && s=0 || s=$?
  if [ $s = 0 ] && [ "$(cat stdout)" = "in.obj: $summary" ] && [ "$(cat stderr)" = "$warning" ] && cmp -s out.obj "$expected"; then
    echo "$name: $run: as at the menu"
  else
    echo "$name: $run: status $s, other output or copy:"; cat stdout stderr; cmp out.obj "$expected" 2>&1 || true
    failed=$((failed + 1))
  fi
  played=$((played + 1))
done
echo "$played cases played, $failed failed"
[ "$played" -gt 0 ] && [ "$failed" = 0 ]
