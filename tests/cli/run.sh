#!/bin/sh
# Plays a transcript: each line "  $ COMMAND" is run, in order, by one shell
# in a fresh scratch folder with facemeld first on PATH and $EXAMPLES naming
# the examples; its output (standard output and error together), indented
# by two spaces, and "  [STATUS]" unless the status is 0, must be the lines
# that follow it. Other lines are commentary.
# Usage: run.sh BINDIR TRANSCRIPT EXAMPLES SCRATCHPARENT
set -eu
transcript=$(realpath "$2") examples=$(realpath "$3")
scratch=$(mktemp -d "$4/cliXXXXXX")
trap 'rm -rf "$scratch"' EXIT
export PATH="$(realpath "$1"):$PATH" EXAMPLES="$examples"

# The transcript becomes a script that writes the transcript anew.
awk -v t="$transcript" '
  /^  \$ / { printf "sed -n %dp \"%s\"\n{ %s\n} >.out 2>&1 && s=0 || s=$?\n", NR, t, substr($0, 5)
             print "sed \"s/^/  /\" .out; [ $s = 0 ] || echo \"  [$s]\""; next }
  !/^  / { printf "sed -n %dp \"%s\"\n", NR, t }
' "$transcript" >"$scratch/.play"
cd "$scratch"
sh .play >.got 2>&1 || true
diff -u "$transcript" .got
