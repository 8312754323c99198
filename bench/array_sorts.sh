#!/usr/bin/env bash
# The sort benchmark: the 64-bit program (1,000,000 strings and doubles against a single-threaded
# std::stable_sort), then 20,000 random strings sorted by a VBScript quicksort as macro code would write
# it, against ArraySortV on the same data, through the registered 64-bit server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/wine/env.sh"
"$WINE64" "$(winpath "$KORVEL_BUILD_DIR/x64/bench/bench_array_sorts.exe")"
work=$(mktemp -d "$WINEPREFIX/drive_c/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
sed 's/$/\r/' "$root/bench/array_sorts_macro.vbs" >"$work/array_sorts_macro.vbs"
(cd "$work" && "$WINE64" "$CSCRIPT64" //nologo "$(winpath "$work/array_sorts_macro.vbs")") | tr -d '\r'
