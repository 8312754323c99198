#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the benchmarks need.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 wine32:i386 libwine-dev
  m4 cmake make dpkg-dev xz-utils ca-certificates
  googletest zbar-tools imagemagick file qrencode bc
)

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

# The dependencies are built from Debian's own source packages, which needs a deb-src entry.
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  cat > /etc/apt/sources.list.d/korvel-deb-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
  apt-get update -qq
fi
if [ "${#missing[@]}" -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
