#!/usr/bin/env bash
# Fetches and unpacks the source of a Debian package into DIR (apt-get
# source), with a private apt configuration that adds a deb-src entry for
# the machine's own archive without touching the machine's source lists.
# Usage: scripts/fetch-debian-source.sh PACKAGE DIR
set -euo pipefail
package=$1
dir=$(realpath -m "$2")
mkdir -p "$dir"

# The archive of the machine's first deb entry (one-line or deb822 format).
archive=$(grep -hE '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
    /etc/apt/sources.list.d/*.list 2>/dev/null | grep -v security | head -n1 |
    sed -E 's/^URIs:[[:space:]]*//; s/^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?//' | awk '{print $1}' || true)
apt=$dir/apt
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial"
cat >"$apt/parts/tomel-src.sources" <<SOURCES
Types: deb-src
URIs: ${archive:-http://deb.debian.org/debian}
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
apt-get "${opts[@]}" -qq update
(cd "$dir" && apt-get "${opts[@]}" -qq source "$package" >/dev/null)
