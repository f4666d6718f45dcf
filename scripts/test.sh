#!/bin/sh
# Installs what is missing, builds everything and runs every test: the
# native suite, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows program under Wine.
# Fails when any test fails.
set -eu
cd "$(dirname "$0")/.."
export FACEMELD_CMAKE_ARGS="-DFACEMELD_WERROR=ON"
sh scripts/build.sh
jobs=$(nproc)

echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFACEMELD_SANITIZE=ON -DFACEMELD_WERROR=ON
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== Windows program under Wine"
ctest --test-dir build/win64 --output-on-failure

echo "== fuzzing the joining pass (bounded run)"
sh fuzz/run.sh "${FACEMELD_FUZZ_SECONDS:-60}"

# Each stage above stops the script when it fails, so reaching here means
# that every one passed.
echo "stages: 5 passed, 0 failed"
