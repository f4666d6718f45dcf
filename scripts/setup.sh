#!/bin/sh
# Installs the Debian/Ubuntu packages that building and testing facemeld
# need, where they are missing. Runs apt-get as root, or through sudo.
set -eu

# The native build and its tests (python3 plays the terminal edition's
# sessions and the benchmarks; assimp's CMake package names zlib's and
# minizip's libraries; Boost.Graph and LEMON give the benchmarks' reference matchings),
# the fuzzer, the Windows build and its run under Wine, the packages and
# their checks (pkg-config builds the library's example), and the engine as
# WebAssembly with its page and npm package, whose tests drive Chromium.
packages="cmake make g++ libgtest-dev libgmock-dev libfast-float-dev python3
  libtinyobjloader-dev libassimp-dev zlib1g-dev libminizip-dev libboost-graph-dev liblemon-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 wine fonts-wine xvfb xauth
  dpkg-dev lintian pkgconf
  emscripten nodejs chromium"

# A node installed from elsewhere brings its own npm.
command -v npm > /dev/null || packages="$packages npm"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "installing:$missing"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
