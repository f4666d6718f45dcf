#!/bin/sh
# Checks what scripts/package.sh wrote: the .deb holds the files listed in
# deb.txt, lintian finds no error or warning in it, and its program,
# unpacked into a scratch root, copies a case byte for byte; the zip holds
# the files listed in zip.txt (the console program once it has been built).
set -eu
cd "$(dirname "$0")/../.."
here=tests/package
version=$(sed -n 's/^#define FACEMELD_VERSION_STRING "\(.*\)"$/\1/p' build/deb/version/version.h)
deb=build/packages/facemeld_${version}_amd64.deb
zip=build/packages/facemeld-$version-win64.zip
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

dpkg-deb -c "$deb" | awk '{ print $1, $6 }' > "$root/deb.txt"
diff -u $here/deb.txt "$root/deb.txt"
lintian --fail-on error,warning --display-info "$deb" > "$root/lintian" 2>&1 || { cat "$root/lintian"; exit 1; }
grep -v 'root privileges' "$root/lintian" | sed 's/^/package: lintian: /'

dpkg -x "$deb" "$root"
[ "$("$root/usr/bin/facemeld" --version)" = "facemeld $version" ]
case=tests/cases/cube-drop
"$root/usr/bin/facemeld" -q -n $case/in.obj "$root/out.obj"
cmp $case/expected.obj "$root/out.obj"

unbuilt='facemeld-cli\.exe$'
[ -f build/win64/facemeld-cli.exe ] && unbuilt='^$'
sed "s/@VERSION@/$version/; /$unbuilt/d" $here/zip.txt > "$root/zip.txt"
cmake -E tar tf "$zip" | sort | diff -u "$root/zip.txt" -
echo "package: $deb unpacked copies $case; $zip holds $(cmake -E tar tf "$zip" | grep -c '[^/]$') files"
