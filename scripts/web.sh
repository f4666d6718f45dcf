#!/bin/sh
# The engine in the browser and in node: builds the WebAssembly modules
# with emscripten (one thread, and threads), the npm package
# build/web/facemeld-VERSION.tgz and the page in build/web/site/; or serves
# the page (building it first where it is not built) on 127.0.0.1:8000,
# cross-origin isolated, so that it copies on threads.
#
#   sh scripts/web.sh build     # build everything
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
  cp web/package/index.mjs web/package/index.d.ts web/package/README.md LICENSE $modules $out/package/
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

case "${1:-serve}" in
  build) build ;;
  serve)
    [ -f $site/index.html ] && [ -f $out/facemeld-$version.tgz ] || build
    exec node web/serve.mjs $site 8000 ;;
  *) echo "usage: sh scripts/web.sh [build]" >&2; exit 2 ;;
esac
