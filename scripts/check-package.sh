#!/usr/bin/env bash
# Builds the Debian package and checks it without installing it: its
# dependencies, its files, the man page, and the packaged binary converting
# the examples.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/package.sh >/dev/null
deb=$(ls build-pkg/tomel_*.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

depends=$(dpkg-deb -f "$deb" Depends)
expected="libc6 (>= 2.34), zlib1g (>= 1:1.2.0), libpcre2-8-0 (>= 10.22), libisal2 (>= 2.30)"
[ "$depends" = "$expected" ] || { echo "package: Depends is '$depends', expected '$expected'"; exit 1; }
[ -x "$root/usr/bin/tomel" ] || { echo "package: no usr/bin/tomel"; exit 1; }
MANPAGER=cat MANWIDTH=80 man -l "$root/usr/share/man/man1/tomel.1.gz" | grep -q "tomel psd FILE" ||
    { echo "package: the man page does not render"; exit 1; }
[ -x "$root/usr/bin/tomel-export" ] || { echo "package: no usr/bin/tomel-export"; exit 1; }
MANPAGER=cat MANWIDTH=80 man -l "$root/usr/share/man/man1/tomel-export.1.gz" | grep -q "tomel-export FORMAT" ||
    { echo "package: tomel-export's man page does not render"; exit 1; }

cp examples/*.edg "$root/"
(cd "$root" && ./usr/bin/tomel psd ./*.edg >/dev/null)
(cd "$root" && ./usr/bin/tomel-export gif ./*.edg >/dev/null)
for example in examples/*.edg; do
    name=$(basename "$example" .edg)
    [ -s "$root/$name.psd" ] || { echo "package: $name.psd was not written"; exit 1; }
    [ -s "$root/$name.gif" ] || { echo "package: $name.gif was not written"; exit 1; }
done
echo "package: $(basename "$deb") checked"
