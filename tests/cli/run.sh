#!/bin/sh
# Plays a transcript: each line "  $ COMMAND" is run, in order, by one shell
# in a fresh scratch folder with facemeld first on PATH, $EXAMPLES naming the
# examples and $CASES the cases; its output (standard output and error
# together), indented by two spaces, and "  [STATUS]" unless the status is 0,
# must be the lines that follow it. Other lines are commentary.
# Usage: run.sh BINDIR TRANSCRIPT SCRATCHPARENT
set -eu
transcript=$(realpath "$2") here=$(realpath "$(dirname "$0")")
scratch=$(mktemp -d "$3/cliXXXXXX")
trap 'rm -rf "$scratch"' EXIT
export PATH="$(realpath "$1"):$PATH" EXAMPLES="$here/../../examples" CASES="$here/../cases"

# The transcript becomes a script that writes the transcript anew.
awk -v t="$transcript" '
  /^  \$ / { printf "sed -n %dp \"%s\"\n{ %s\n} >.out 2>&1 && s=0 || s=$?\n", NR, t, substr($0, 5)
             print "sed \"s/^/  /\" .out; [ $s = 0 ] || echo \"  [$s]\""; next }
  !/^  / { printf "sed -n %dp \"%s\"\n", NR, t }
' "$transcript" >"$scratch/.play"
cd "$scratch"
sh .play >.got 2>&1 || true
diff -u "$transcript" .got
