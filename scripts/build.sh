#!/usr/bin/env bash
# Builds both architectures (dependencies first, from the cache when it is there).
# Build trees: build/x64 and build/x86; logs beside them. Prints only errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$("$root/scripts/build-deps.sh" | tail -n 1)
jobs=$(nproc)
for t in x86_64 i686; do
  arch=x64; [ "$t" = i686 ] && arch=x86
  dir="$root/build/$arch"
  mkdir -p "$root/build"
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
