#!/usr/bin/env bash
# Builds Tomel for the browser into build-web/site: the library and the
# module (web/module) compiled to WebAssembly with Emscripten, and the page
# (web/site). Installs what is missing.
#
# zlib and PCRE2 are compiled for WebAssembly from Debian's source packages
# (scripts/fetch-debian-source.sh): zlib's library sources directly with emcc
# (its CMake build does not configure under Emscripten), PCRE2 with its own
# CMake build. The web stage's tools come from the npm registry, pinned by
# web/package-lock.json.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh emscripten node-acorn dpkg-dev librsvg2-bin
# npm comes with Node.js where Node.js is not Debian's own.
command -v npm >/dev/null || scripts/deps.sh npm
build=build-web
third=$PWD/$build/third-party
prefix=$third/install
mkdir -p "$prefix/lib" "$prefix/include"
# Emscripten's JavaScript optimizer needs Debian's acorn.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

if [ ! -f "$prefix/lib/libz.a" ]; then
    [ -n "$(ls -d "$third"/zlib-*/ 2>/dev/null)" ] || scripts/fetch-debian-source.sh zlib "$third"
    zlib_src=$(ls -d "$third"/zlib-*/ | head -n1)
    [ -f "$zlib_src/zconf.h" ] || cp "$zlib_src/zconf.h.in" "$zlib_src/zconf.h"
    mkdir -p "$third/zlib-build"
    for source in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
        emcc -O3 -c "$zlib_src/$source.c" -o "$third/zlib-build/$source.o"
    done
    emar rcs "$prefix/lib/libz.a" "$third"/zlib-build/*.o
    cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/"
fi
if [ ! -f "$prefix/lib/libpcre2-8.a" ]; then
    [ -n "$(ls -d "$third"/pcre2-*/ 2>/dev/null)" ] || scripts/fetch-debian-source.sh pcre2 "$third"
    pcre2_src=$(ls -d "$third"/pcre2-*/ | head -n1)
    emcmake cmake -S "$pcre2_src" -B "$third/pcre2-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=ON \
        -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_BUILD_PCRE2GREP=OFF \
        -DPCRE2_BUILD_TESTS=OFF >/dev/null
    cmake --build "$third/pcre2-build" --target install >/dev/null
fi

PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig emcmake cmake -S . -B "$build/module" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DZLIB_ROOT="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" "$@" >/dev/null
cmake --build "$build/module"

(cd web && npm ci --no-audit --no-fund --silent)
site=$build/site
rm -rf "$site"
mkdir -p "$site"
cp web/site/* "$build"/module/{tomel,deflate}.{mjs,wasm} "$site/"
# The converting worker's warm-up: one of the bundled examples.
cp examples/pages.edg "$site/warm-up.edg"
# The manifest's icons, drawn from the SVG mark.
for px in 192 512; do rsvg-convert -w $px -h $px web/site/icon.svg -o "$site/icon-$px.png"; done
# Names that carry each file's hash, and the service worker's list. The web
# stage makes a second version from the files as they were before.
rm -rf "$build/site-sources"
cp -r "$site" "$build/site-sources"
node web/tools/hash-site.mjs "$site"
echo "$site"
