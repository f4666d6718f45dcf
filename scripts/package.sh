#!/bin/sh
# Writes the packages into build/packages, after scripts/build.sh:
# - facemeld_VERSION_amd64.deb, made by cpack from build/deb, a build of its
#   own configured for the prefix /usr (where the library lands depends on
#   the prefix at configure time) with Debian's hardening flags;
# - facemeld-VERSION-win64.zip: the window program of build/win64, the
#   console program beside it when it has been built, README, LICENSE and
#   CHANGELOG, all in one folder, the text with CR LF line ends.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
out=build/packages
mkdir -p "$out"

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DFACEMELD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build/deb -j "$(nproc)"
version=$(sed -n 's/^#define FACEMELD_VERSION_STRING "\(.*\)"$/\1/p' build/deb/version/version.h)
deb=facemeld_${version}_amd64.deb
rm -rf build/deb/cpack "$out/$deb"
cpack --config build/deb/CPackConfig.cmake -B build/deb/cpack
mv "build/deb/cpack/$deb" "$out/"

win=build/win64
name=facemeld-$version-win64
[ -f $win/facemeld.exe ] || { echo "package.sh: $win/facemeld.exe is missing: run scripts/build.sh" >&2; exit 1; }
stage=build/deb/zip/$name
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"
for program in facemeld facemeld-cli; do
  if [ -f $win/$program.exe ]; then x86_64-w64-mingw32-strip -o "$stage/$program.exe" $win/$program.exe; fi
done
for text in README.md LICENSE CHANGELOG.md; do sed 's/$/\r/' "$text" > "$stage/$text"; done
(cd build/deb/zip && cmake -E tar cf "../../packages/$name.zip" --format=zip "$name")
ls -l "$out/$deb" "$out/$name.zip"
