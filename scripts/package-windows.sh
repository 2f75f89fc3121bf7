#!/usr/bin/env bash
# Packs the Windows build (scripts/build-windows.sh) into
# build-win/tomel-VERSION-win64.zip: tomel.exe, tomel-drop.exe, tomel-export.exe, the one-page
# user's guide (windows/README.txt, with CRLF line ends) and the licence texts
# of everything linked into the programs. The files sit at the zip's top, with
# no folder around them: unzipped to C:\Tools\tomel, tomel.exe is
# C:\Tools\tomel\tomel.exe, as the guide says.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win
version=$(sed -nE 's/^project\(tomel VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
name=tomel-$version-win64
stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage/licences"

cp "$build/tomel.exe" "$build/tomel-drop.exe" "$build/tomel-export.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/tomel.exe" "$stage/tomel-drop.exe" "$stage/tomel-export.exe"
# Texts with CRLF, as Windows tools expect.
sed 's/\r*$/\r/' windows/README.txt >"$stage/README.txt"
pcre2_src=$(ls -d "$build"/third-party/pcre2-*/ | head -n1)
cp "$pcre2_src/LICENCE" "$stage/licences/PCRE2.txt"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$stage/licences/zlib.txt"
# libstdc++ and libgcc (GCC Runtime Library Exception), and the MinGW-w64
# runtime with winpthreads.
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/GCC-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licences/MinGW-w64-runtime.txt"
for licence in "$stage"/licences/*.txt; do sed -i 's/\r*$/\r/' "$licence"; done

rm -f "$build/$name.zip"
(cd "$stage" && zip -qr -X "../../$name.zip" .)
echo "$build/$name.zip"
