#!/usr/bin/env bash
# The CSV sort of the registered server on a generated file of about 100 MB, compared byte for byte with
# `LC_ALL=C sort -u` (de-duplicated) and `LC_ALL=C sort` (only sorted). The rows are short and drawn from
# few letters, so that there are many duplicates, blank rows, carriage returns and zero bytes.
# Usage: check-sort.sh x64|x86
set -euo pipefail
source "$(dirname "$0")/../wine/env.sh"
arch=$1
work=$(mktemp -d "$WINEPREFIX/drive_c/csv-sort.XXXXXX")
trap 'rm -rf "$work"' EXIT
script="$work/sort-file.vbs"
sed 's/$/\r/' "$(dirname "$0")/sort-file.vbs" >"$script"
if [ "$arch" = x64 ]; then runner=("$WINE64" "$CSCRIPT64"); else runner=("$WINE32" "$CSCRIPT32"); fi

python3 - "$work/in.csv" <<'PY'
import os, sys
table = bytearray(256)
for i in range(256):
    table[i] = b"abcdefgh"[i % 8]
for i in range(0, 13):
    table[i] = 10          # about one byte in twenty ends a row
table[13] = 13
table[14] = 0
data = os.urandom(100 * 1000 * 1000).translate(bytes(table))
with open(sys.argv[1], "wb") as f:
    f.write(data + b"\n")
PY

failed=0
for only_sort in 0 1; do
  for no_buffering in 0 1; do
    if [ "$only_sort" = 1 ]; then LC_ALL=C sort "$work/in.csv" >"$work/expected.csv"
    else LC_ALL=C sort -u "$work/in.csv" >"$work/expected.csv"; fi
    # Only the script's own output is the count: what Wine prints on stderr (under load, now and then) is
    # kept apart and shown when the check fails.
    out=$(cd "$work" && "${runner[@]}" //nologo "$(winpath "$script")" "$(winpath "$work/in.csv")" \
      "$(winpath "$work")\\out.csv" "$only_sort" "$no_buffering" 2>"$work/stderr.txt" | tr -d '\r')
    expected_rows=$(wc -l <"$work/expected.csv")
    what="only sort $only_sort, no buffering $no_buffering"
    if [ "$out" != "$expected_rows" ]; then
      echo "FAIL: $what: count '$out', expected $expected_rows"; failed=$((failed + 1))
      echo "stderr:"; cat "$work/stderr.txt"
    elif ! cmp -s "$work/out.csv" "$work/expected.csv"; then
      echo "FAIL: $what: output differs from sort"; cmp "$work/out.csv" "$work/expected.csv" || true
      failed=$((failed + 1))
    else
      echo "ok: $what ($expected_rows rows)"
    fi
    rm -f "$work/out.csv" "$work/expected.csv"
  done
done
exit "$failed"
