#!/usr/bin/env bash
# Runs the benchmarks on demand (never part of the tests): builds, makes a Wine prefix, registers both
# servers, then runs bench/<name>.sh where a benchmark compares with Linux tools, or the 64-bit program
# bench_<name>.exe otherwise. Usage: run-bench.sh [name ...] (default: all).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
"$root/scripts/build.sh"
source "$root/tests/wine/env.sh"
"$root/tests/wine/prefix.sh" create
trap '"$root/tests/wine/prefix.sh" stop' EXIT
"$WINE64" "$REGSVR64" /s "$(winpath "$KORVEL_BUILD_DIR/x64/bin/KorvelCOM(x64).dll")"
"$WINE32" "$REGSVR32" /s "$(winpath "$KORVEL_BUILD_DIR/x86/bin/KorvelCOM(x86).dll")"

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
