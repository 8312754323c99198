#!/usr/bin/env bash
# Runs the benchmarks on demand (never part of the tests): builds, makes a Wine prefix, registers both
# servers, then runs bench/<name>.sh where a benchmark compares with Linux tools, or the 64-bit program
# bench_<name>.exe otherwise. Usage: run-bench.sh [name ...] (default: all).
set -euo pipefail
source "$(dirname "$0")/lib/prepare-run.sh"

shopt -s nullglob
names=("$@")
if [ "${#names[@]}" = 0 ]; then
  for f in "$root"/bench/*.cpp "$root"/bench/*.sh; do
    n=$(basename "$f"); n=${n%.*}
    [ "$n" = bench_support ] && continue
    [[ " ${names[*]-} " == *" $n "* ]] || names+=("$n")
  done
fi
for name in "${names[@]}"; do
  echo "== $name"
  if [ -f "$root/bench/$name.sh" ]; then
    bash "$root/bench/$name.sh"
  else
    "$WINE64" "$(winpath "$KORVEL_BUILD_DIR/x64/bench/bench_$name.exe")"
  fi
done
