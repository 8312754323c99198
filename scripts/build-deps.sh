#!/usr/bin/env bash
# Cross-builds GMP (with its C++ classes), Crypto++ and libqrencode for both MinGW targets from Debian's
# source packages into a cache outside the work tree. The cache folder is keyed by the source versions and by
# this script, so a second run with nothing changed does nothing.
# Prints the prefix root on its last line.
set -euo pipefail

cache_root=${KORVEL_DEPS_CACHE:-/var/cache/korvel-deps}
targets=(x86_64-w64-mingw32 i686-w64-mingw32)
jobs=$(nproc)

src_version() { apt-cache showsrc "$1" | awk '/^Version:/ {print $2; exit}'; }
v_gmp=$(src_version gmp)
v_cryptopp=$(src_version libcrypto++)
v_qrencode=$(src_version qrencode)
[ -n "$v_gmp" ] && [ -n "$v_cryptopp" ] && [ -n "$v_qrencode" ] || {
  echo "build-deps: no source versions known to apt; run scripts/install-packages.sh first" >&2; exit 1; }
script_hash=$(sha256sum "$0" | cut -c1-12)
key="gmp-${v_gmp}_cryptopp-${v_cryptopp}_qrencode-${v_qrencode}_${script_hash}"
key=${key//[^A-Za-z0-9._-]/_}
prefix_root="$cache_root/$key"

if [ -f "$prefix_root/.complete" ]; then
  echo "$prefix_root"
  exit 0
fi

work=$(mktemp -d /tmp/korvel-deps.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The qrencode Debian tarball may be missing from the archive; the upstream tarball is all that is needed,
# so a failed download is judged by the files that arrived.
apt-get source --download-only gmp libcrypto++ qrencode >download.log 2>&1 || true
for f in gmp_*.orig.tar.* libcrypto++_*.orig.tar.* qrencode_*.orig.tar.*; do
  [ -f "$f" ] || { cat download.log >&2; echo "build-deps: missing $f" >&2; exit 1; }
done

unpack() { # archive -> folder name it unpacked into
  local dir="$work/unpack.$1"; mkdir -p "$dir"; tar -xf "$2" -C "$dir"
  local inner; inner=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  echo "${inner:-$dir}"
}

# GMP is built with -fexceptions so that the server's allocation functions can throw std::bad_alloc
# through it: its default on a failed allocation is to abort, which in-process would end the caller's host.
build_gmp() { # target prefix
  local src; src=$(unpack "gmp-$1" gmp_*.orig.tar.*)
  # The dfsg tarball lacks doc/, which configure still lists.
  mkdir -p "$src/doc"; [ -f "$src/doc/Makefile.in" ] || printf 'all:\ninstall:\n' >"$src/doc/Makefile.in"
  (cd "$src" && ./configure --host="$1" --prefix="$2" --enable-cxx --enable-static --disable-shared \
      CC="$1-gcc-posix" CXX="$1-g++-posix" CFLAGS="-O2 -fomit-frame-pointer -fexceptions" \
      >configure.log 2>&1 \
    && make -j"$jobs" >make.log 2>&1 && make install >install.log 2>&1) \
    || { tail -n 40 "$src"/*.log >&2; return 1; }
}

build_cryptopp() {
  local src; src=$(unpack "cryptopp-$1" libcrypto++_*.orig.tar.*)
  (cd "$src" && make -f GNUmakefile-cross -j"$jobs" static CXX="$1-g++-posix" AR="$1-ar" RANLIB="$1-ranlib" \
      CXXFLAGS="-DNDEBUG -O2 -pipe" >make.log 2>&1 \
    && make -f GNUmakefile-cross install-lib PREFIX="$2" >install.log 2>&1 \
    || make -f GNUmakefile-cross install PREFIX="$2" >install.log 2>&1) \
    || { tail -n 40 "$src"/*.log >&2; return 1; }
}

build_qrencode() {
  local src; src=$(unpack "qrencode-$1" qrencode_*.orig.tar.*)
  (cd "$src" && ./configure --host="$1" --prefix="$2" --without-tools --enable-static --disable-shared \
      CC="$1-gcc-posix" >configure.log 2>&1 \
    && make -j"$jobs" >make.log 2>&1 && make install >install.log 2>&1) \
    || { tail -n 40 "$src"/*.log >&2; return 1; }
}

mkdir -p "$prefix_root"
for t in "${targets[@]}"; do
  for lib in gmp cryptopp qrencode; do
    echo "build-deps: $lib for $t" >&2
    "build_$lib" "$t" "$prefix_root/$t"
  done
done
touch "$prefix_root/.complete"
# Builds under older keys are of no further use.
find "$cache_root" -mindepth 1 -maxdepth 1 -type d ! -path "$prefix_root" -exec rm -rf {} +
echo "$prefix_root"
