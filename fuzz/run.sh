#!/bin/sh
# Fuzzes the copy for SECONDS (60 when not given), passing on any libFuzzer
# options that follow. Prints the findings (saved in build/fuzz/findings/)
# and a line of figures; libFuzzer's own output is kept in build/fuzz/fuzz.log.
#
#   sh fuzz/run.sh [SECONDS] [libFuzzer options...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
log=build/fuzz/fuzz.log seeds=build/fuzz/seeds
rm -rf "$seeds" && mkdir -p "$seeds" build/fuzz/corpus build/fuzz/findings
{ cmake -S fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
  cmake --build build/fuzz -j 2; } > "$log" 2>&1 || { tail -n 30 "$log"; exit 1; }
# Seeds: each example and case mesh behind the answer bytes 0-3, 6 and 7 (bit
# 0 drops the normals, the rest picks the limit 5, 0 or 30), and every finding.
for f in examples/*.obj tests/cases/*/in.obj; do
  for b in 0 1 2 3 6 7; do { printf "\\$b"; cat "$f"; } > "$seeds/$(echo "$f" | tr / _).$b"; done
done
cp fuzz/regressions/* "$seeds/"
touch build/fuzz/started
build/fuzz/fuzz_readobj -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix=build/fuzz/findings/ -dict=fuzz/obj.dict "$@" build/fuzz/corpus "$seeds" > "$log" 2>&1 || status=$?
[ "${status:-0}" -eq 0 ] || sed -n '/PROPERTY VIOLATED\|ERROR: \|runtime error/,$p' "$log" | head -n 60
new=$(find build/fuzz/findings -type f -newer build/fuzz/started)
echo "${new:+$new
}fuzz: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") inputs in $seconds s, $(echo "$new" | grep -c .) findings (log: $log)"
exit "${status:-0}"
