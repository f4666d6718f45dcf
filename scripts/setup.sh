#!/bin/sh
# Installs the Debian/Ubuntu packages that building and testing facemeld
# need, where they are missing. Runs apt-get as root, or through sudo.
set -eu

packages="cmake make g++ libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 wine fonts-wine xvfb xauth imagemagick
  libfast-float-dev libtinyobjloader-dev libassimp-dev assimp-utils
  python3 libbenchmark-dev"

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
