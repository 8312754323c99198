#!/usr/bin/env bash
# Builds both architectures (dependencies first, from the cache when it is there).
# Build trees: x64/ and x86/ under KORVEL_BUILD_DIR (default: build/ in the work tree); logs beside them.
# Prints only errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$("$root/scripts/build-deps.sh" | tail -n 1)
jobs=$(nproc)
build_root=${KORVEL_BUILD_DIR:-$root/build}
for t in x86_64 i686; do
  arch=x64; [ "$t" = i686 ] && arch=x86
  dir="$build_root/$arch"
  mkdir -p "$build_root"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$t-w64-mingw32.cmake" \
      -DKORVEL_DEPS_ROOT="$deps" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log" >&2; exit 1; }
  else
    cmake "$dir" -DKORVEL_DEPS_ROOT="$deps" >/dev/null
  fi
  if ! cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1; then
    grep -E -B2 -A6 'error|Error' "$dir.build.log" | head -n 80 >&2
    echo "build failed for $arch: see $dir.build.log" >&2
    exit 1
  fi
done
