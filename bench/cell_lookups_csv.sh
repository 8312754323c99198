#!/usr/bin/env bash
# The add-in's lookups and CSV worksheet functions. The lookups print their own table (VLOOKUP3 and
# VlookupXLL over 1,000,000 array elements, the match last, against a linear scan; VlookupXLL over references
# to the same values on a sheet of the stand-in host, which it asks for each cell, and those host calls
# alone). The CSV functions run on
# a generated 1 GiB file read from the page cache, each against the server's method of the same name (goal:
# within 1.1 times) and a Linux tool: the row count against `wc -l`, the last row against `sed -n` of its
# number, a search with one hit near the end against `grep -F`. Best of three; ratio = ours / theirs.
# Run through scripts/run-bench.sh cell_lookups_csv, which builds and prepares the Wine prefix.
set -euo pipefail
: "${KORVEL_BUILD_DIR:?run through scripts/run-bench.sh}"
bench="$KORVEL_BUILD_DIR/x64/bench/bench_cell_lookups_csv.exe"
work=$(mktemp -d /tmp/korvel-cell-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's#/#\\#g')"; }

"$WINE64" "$(winpath "$bench")" lookups 2>/dev/null | tr -d '\r'

python3 "$(dirname "$0")/lib/make_big_csv.py" "$work/big.csv" --last-row-without-line-feed
cat "$work/big.csv" >/dev/null
rows=$(( $(wc -l <"$work/big.csv") + 1 ))

source "$(dirname "$0")/lib/timing.sh"

read -r count pick find server_count server_pick server_find < <(
  "$WINE64" "$(winpath "$bench")" csv "$(winpath "$work/big.csv")" "$rows" NEEDLE-81c4e7d2 2>/dev/null | tr -d '\r')
wc_l=$(theirs wc -l "$work/big.csv")
sed_n=$(theirs sed -n "${rows}p" "$work/big.csv")
grep_f=$(theirs grep -F NEEDLE-81c4e7d2 "$work/big.csv")

row "GetRowsCountCSVansi, 1 GiB" "$count" "the server's method" "$server_count"
row "GetRowsCountCSVansi, 1 GiB" "$count" "wc -l" "$wc_l"
row "GetRowCSVansi, 1 GiB, the last row" "$pick" "the server's method" "$server_pick"
row "GetRowCSVansi, 1 GiB, the last row" "$pick" "sed -n ${rows}p" "$sed_n"
row "FindRowsInCSVansi, 1 GiB, one hit near the end" "$find" "the server's method" "$server_find"
row "FindRowsInCSVansi, 1 GiB, one hit near the end" "$find" "grep -F" "$grep_f"
