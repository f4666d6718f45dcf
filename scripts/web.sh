#!/bin/sh
# The engine in the browser and in node: builds the WebAssembly modules
# with emscripten (one thread, and threads), the npm package
# build/web/facemeld-VERSION.tgz and the page in build/web/site/; or serves
# the page (building it first where it is not built) on 127.0.0.1:8000,
# cross-origin isolated, so that it copies on threads. Where the node on
# PATH is not Debian 12's node 18, the oldest the package supports, `node18`
# unpacks that one into build/web/node18 for the package's tests.
#
#   sh scripts/web.sh build     # build everything
#   sh scripts/web.sh node18    # Debian's node 18, where PATH has another
#   sh scripts/web.sh           # build if needed, then serve
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out=build/web
site=$out/site
version=$(sed -n 's/^project(facemeld VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Debian's emscripten runs its JavaScript tools on node with the modules
# Debian installs; a node from elsewhere does not look there by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

build() {
  mkdir -p $out
  for kind in one threads; do
    threads=OFF
    [ $kind = threads ] && threads=ON
    emcmake cmake -S . -B $out/$kind -DFACEMELD_WEB_THREADS=$threads > $out/$kind.log 2>&1 &&
      cmake --build $out/$kind -j 2 --target web >> $out/$kind.log 2>&1 ||
      { tail -n 30 $out/$kind.log; echo "web: the $kind build failed (log: $out/$kind.log)"; exit 1; }
  done
  modules="$out/one/web/facemeld.js $out/one/web/facemeld.wasm $out/threads/web/facemeld-threads.js
    $out/threads/web/facemeld-threads.wasm $out/threads/web/facemeld-threads.worker.js"

  # The package: its files, the modules and the licence, at the version of
  # the project.
  rm -rf $out/package && mkdir -p $out/package
  cp web/package/index.mjs web/package/index.cjs web/package/index.d.mts web/package/README.md LICENSE $modules $out/package/
  cp web/package/index.d.mts $out/package/index.d.cts
  sed "s/\"version\": \"0.0.0\"/\"version\": \"$version\"/" web/package/package.json > $out/package/package.json
  rm -f $out/facemeld-*.tgz
  (cd $out/package && npm pack --silent --pack-destination "$root/$out" > /dev/null)

  # The page, with three.js as package-lock.json pins it.
  (cd web && npm ci --loglevel=error --no-audit --no-fund)
  rm -rf $site && mkdir -p $site/three
  cp web/site/* $modules $site/
  cp web/node_modules/three/build/three.module.js web/node_modules/three/build/three.core.js \
    web/node_modules/three/examples/jsm/controls/OrbitControls.js web/node_modules/three/LICENSE $site/three/
  echo "web: built $site and $out/facemeld-$version.tgz"
}

# Debian's node 18 (its nodejs and libnode108) unpacked, unless the node
# on PATH is a node 18 already. Its built-in modules that Debian keeps
# apart (cjs-module-lexer, undici) are installed where they are missing, as
# root, as Debian's node 18 would have installed them.
node18() {
  node --version | grep -q '^v18\.' && return 0
  [ -x $out/node18/node ] && return 0
  version=$(apt-cache madison nodejs | awk '$3 ~ /^18\./ { print $3; exit }')
  [ -n "$version" ] || { echo "web: apt knows no nodejs 18 (run apt-get update?)"; return 1; }
  missing=""
  for p in node-cjs-module-lexer node-undici; do
    dpkg-query -W -f='${Status}' $p 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
  done
  if [ -n "$missing" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "web: Debian's node 18 needs$missing, which only root can install"; return 1; }
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing > /dev/null
  fi
  rm -rf $out/node18 $out/node18-debs && mkdir -p $out/node18-debs
  (cd $out/node18-debs && apt-get download -qq nodejs=$version libnode108=$version 2> /dev/null) &&
    for deb in $out/node18-debs/*.deb; do dpkg-deb -x "$deb" $out/node18; done
  rm -rf $out/node18-debs
  # node, started by a script that shows it its library.
  lib=$(dirname "$(find $out/node18 -name 'libnode.so.*' | head -n 1)")
  printf '#!/bin/sh\nLD_LIBRARY_PATH="%s" exec "%s" "$@"\n' "$root/$lib" "$root/$out/node18/usr/bin/node" > $out/node18/node
  chmod +x $out/node18/node
  $out/node18/node --version > /dev/null || { echo "web: Debian's node 18 does not run here"; rm -rf $out/node18; return 1; }
  echo "web: Debian's node $version unpacked in $out/node18"
}

case "${1:-serve}" in
  build) build ;;
  node18) node18 ;;
  serve)
    [ -f $site/index.html ] && [ -f $out/facemeld-$version.tgz ] || build
    exec node web/serve.mjs $site 8000 ;;
  *) echo "usage: sh scripts/web.sh [build|node18]" >&2; exit 2 ;;
esac
