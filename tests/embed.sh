#!/bin/sh
# Installs a build into a scratch prefix, builds examples/embed against it,
# once with its CMake package and once with pkg-config, and copies a case
# with each program: the copy byte for byte and the counts printed.
#   sh tests/embed.sh BUILD SOURCE SCRATCH CXX
set -eu
build=$1 source=$2 scratch=$3 cxx=$4
rm -rf "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" > /dev/null
cmake -S "$source/examples/embed" -B "$scratch/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" > /dev/null
cmake --build "$scratch/cmake"
pc=$(PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name facemeld.pc)") pkg-config --cflags --libs facemeld)
# shellcheck disable=SC2086
"$cxx" -std=c++17 -o "$scratch/pkgconfig" "$source/examples/embed/embed.cpp" $pc

case=$source/tests/cases/cube-keep
for embed in "$scratch/cmake/embed" "$scratch/pkgconfig"; do
  rm -f "$scratch/out.obj"
  counts=$("$embed" "$case/in.obj" "$scratch/out.obj")
  [ "$counts" = "8 vertices, 12 triangles, 6 pairs joined" ] || { echo "$embed printed: $counts"; exit 1; }
  cmp "$case/expected.obj" "$scratch/out.obj"
  # A copy onto itself is refused in the library's words, and the file kept.
  said=$("$embed" "$scratch/out.obj" "$scratch/../$(basename "$scratch")/out.obj" 2>&1) && exit 1
  [ "$said" = "embed: $scratch/out.obj: I can't copy a file to itself" ] || { echo "$embed said: $said"; exit 1; }
  cmp "$case/expected.obj" "$scratch/out.obj"
done
echo "embed: built with the CMake package and with pkg-config; both copied $case"
