#!/bin/sh
# Installs what is missing, then builds the terminal edition
# (build/native/facemeld) and the Windows program (build/win64/facemeld.exe).
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release ${FACEMELD_CMAKE_ARGS:-}
cmake --build build/native -j "$jobs"

cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ${FACEMELD_CMAKE_ARGS:-}
cmake --build build/win64 -j "$jobs"
