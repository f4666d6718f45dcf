#!/bin/sh
# Installs what is missing, builds everything and runs every test, stage by
# stage: the native suite built with g++, the same suite built with clang++
# under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows program
# under Wine, the packages, a bounded fuzzing run, and the engine as
# WebAssembly: the npm package and the web page in headless Chromium. Every
# stage runs even when an earlier one fails. Each prints a few lines, or the detail of its
# failure; its whole output is kept in build/logs/STAGE.log. Fails when any
# stage fails.
#
#   sh scripts/test.sh [STAGE...]    # setup native sanitize wine package fuzz web
set -u
cd "$(dirname "$0")/.."
mkdir -p build/logs
jobs=$(nproc)
werror="-DFACEMELD_WERROR=ON"
passed=0
failed=0

stage_setup() { sh scripts/setup.sh; }

stage_native() {
  cmake -S . -B build/native -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Release $werror &&
    cmake --build build/native -j "$jobs" &&
    ctest --test-dir build/native --output-on-failure -j "$jobs"
}

stage_sanitize() {
  cmake -S . -B build/sanitize -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFACEMELD_SANITIZE=ON $werror &&
    cmake --build build/sanitize -j "$jobs" &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build/sanitize --output-on-failure -j "$jobs"
}

stage_wine() {
  cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $werror &&
    cmake --build build/win64 -j "$jobs" &&
    ctest --test-dir build/win64 --output-on-failure
}

# After the wine stage, whose build the zip takes.
stage_package() { sh scripts/package.sh && sh tests/package/check.sh; }

stage_fuzz() { sh fuzz/run.sh "${FACEMELD_FUZZ_SECONDS:-60}"; }

# The package's cases (which are the 32-bit run of the engine's cases too)
# and the page, whose downloads are compared with the command line's.
stage_web() {
  sh scripts/web.sh build && sh scripts/web.sh node18 &&
    cmake -S . -B build/native -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Release $werror &&
    cmake --build build/native -j "$jobs" --target facemeld &&
    node --test --test-reporter=tap tests/web/package.test.mjs tests/web/page.test.mjs
}

# What a passing stage shows: what it installed, its tests' tally and the
# tests it skipped, or the fuzzer's run count.
brief() {
  grep -E '^installing:|tests passed|^fuzz: |^package: |^# (pass|fail|skipped) ' "$1"
  grep -E '^ok .* # SKIP' "$1" | sed 's/^ok [0-9]* - /skipped: /'
  grep -E '\(Skipped\)$' "$1" | sed 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/skipped: \1/'
}

# What a failing stage shows: each failed test's output and every error
# line of the build (at most 150 lines), then the end of the log.
detail() {
  awk '/^ *[0-9]+\/[0-9]+ Test +#/ { show = !/ Passed |Skipped/ }
       show || /error:|Error|undefined reference|^not ok/' "$1" | head -n 150
  echo "..."
  tail -n 15 "$1"
}

for stage in ${*:-setup native sanitize wine package fuzz web}; do
  log=build/logs/$stage.log
  start=$(date +%s)
  echo "== $stage (log: $log)"
  if "stage_$stage" > "$log" 2>&1; then
    brief "$log" | sed 's/^/   /'
    echo "   passed in $(($(date +%s) - start)) s"
    passed=$((passed + 1))
  else
    detail "$log" | sed 's/^/   /'
    echo "   FAILED in $(($(date +%s) - start)) s"
    failed=$((failed + 1))
  fi
done

echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
