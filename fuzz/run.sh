#!/bin/sh
# Fuzzes the copy for SECONDS (60 when not given), passing on any libFuzzer
# options that follow. Prints the findings (kept in build/fuzz/findings/) and
# a line of figures, inputs a second among them; libFuzzer's own output goes
# to build/fuzz/fuzz.log.
#   sh fuzz/run.sh [SECONDS] [libFuzzer options...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
log=build/fuzz/fuzz.log
mkdir -p build/fuzz/corpus build/fuzz/findings
{ cmake -S fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
  cmake --build build/fuzz -j 2; } > "$log" 2>&1 || { tail -n 30 "$log"; exit 1; }
touch build/fuzz/started
# The corpus grows in build/fuzz/corpus, seeded by the examples, the cases and every finding.
build/fuzz/fuzz_quadrify -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix=build/fuzz/findings/ -dict=fuzz/obj.dict "$@" build/fuzz/corpus examples fuzz/regressions \
  tests/cases/*/ tests/pairs/*/ > "$log" 2>&1 || status=$?
[ "${status:-0}" -eq 0 ] || sed -n '/PROPERTY VIOLATED\|ERROR: \|runtime error/,$p' "$log" | head -n 60
new=$(find build/fuzz/findings -type f -newer build/fuzz/started)
figure() { sed -n "s/^stat::$1: *//p" "$log"; }
echo "${new:+$new
}fuzz: $(figure number_of_executed_units) inputs in $seconds s ($(figure average_exec_per_sec) a second), $(echo "$new" | grep -c .) findings (log: $log)"
exit "${status:-0}"
