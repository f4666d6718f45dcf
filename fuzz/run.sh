#!/bin/sh
# Builds the fuzz target with clang and fuzzes the joining pass.
#
#   sh fuzz/run.sh [SECONDS] [libFuzzer options...]
#
# SECONDS defaults to 60. The corpus grows in build/fuzz/corpus and is kept
# between runs; seeds come from examples/ and tests/cases/. An input that
# breaks a check is saved in build/fuzz/findings/ and the script fails:
# copy it into fuzz/regressions/ once the fault is mended.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift

cmake -S fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j "$(nproc)" >/dev/null

# Each seed is a mesh behind one answer byte: bit 0 drops the normals, the
# rest picks the angle limit (5, 0 and 30 here).
seeds=build/fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds" build/fuzz/corpus build/fuzz/findings
for f in examples/*.obj tests/cases/*/in.obj tests/cases/*/expected.obj; do
  [ -f "$f" ] || continue
  name=$(echo "$f" | tr '/' '_')
  for b in 000 001 002 003 006 007; do
    { printf "\\$b"; cat "$f"; } > "$seeds/$name.$b"
  done
done
cp fuzz/regressions/* "$seeds/"

build/fuzz/fuzz_readobj -max_total_time="$seconds" -max_len=4096 -timeout=20 \
  -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix=build/fuzz/findings/ \
  -dict=fuzz/obj.dict \
  "$@" build/fuzz/corpus "$seeds"
