#!/usr/bin/env bash
# Cross-builds tomel.exe (and tomel_tests.exe) for 64-bit Windows on Debian
# and packs build-win/tomel-VERSION-win64.zip. Installs what is missing.
#
# PCRE2 and GoogleTest have no MinGW packages, so both are built here from
# the sources Debian ships: GoogleTest from /usr/src/googletest (package
# googletest), PCRE2 from Debian's source package (scripts/fetch-debian-source.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest zip dpkg-dev

build=build-win
third=$build/third-party
prefix=$PWD/$third/install
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
mkdir -p "$third"

if [ ! -f "$prefix/lib/libpcre2-8.a" ]; then
    [ -n "$(ls -d "$third"/pcre2-*/ 2>/dev/null)" ] || scripts/fetch-debian-source.sh pcre2 "$third"
    pcre2_src=$(ls -d "$third"/pcre2-*/ | head -n1)
    cmake -S "$pcre2_src" -B "$third/pcre2-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_SUPPORT_JIT=OFF \
        -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF >/dev/null
    cmake --build "$third/pcre2-build" --target install >/dev/null
fi
if [ ! -f "$prefix/lib/libgtest.a" ]; then
    cmake -S /usr/src/googletest -B "$third/googletest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF \
        >/dev/null
    cmake --build "$third/googletest-build" --target install >/dev/null
fi

export THIRD_PARTY_PREFIX=$prefix
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR= \
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" "$@" >/dev/null
cmake --build "$build"
scripts/package-windows.sh
