#!/usr/bin/env bash
# The CSV members against the Linux tools on the same generated files, all read from the page cache:
# the row count of a 1 GiB file against `wc -l`, a search with one hit near its end against `grep -F`, and
# the sort with de-duplication of a 2,000,000-row file against `LC_ALL=C sort -u --parallel=8`.
# Each line gives both best-of-three times and the ratio (ours / theirs; below 1 is faster). The last line
# sets the sort over an existing output, flushed before it replaces the old file, beside the same sort
# without the flush (as it was before the flush).
# Run through scripts/run-bench.sh csv_files, which builds and prepares the Wine prefix.
set -euo pipefail
: "${KORVEL_BUILD_DIR:?run through scripts/run-bench.sh}"
bench="$KORVEL_BUILD_DIR/x64/bench/bench_csv_files.exe"
work=$(mktemp -d /tmp/korvel-csv-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

python3 "$(dirname "$0")/lib/make_big_csv.py" "$work/big.csv"
python3 - "$work/rows.csv" <<'PY'
import random, sys
# 2,000,000 rows, about 1,600,000 distinct.
random.seed(7)
rows = [("%016x,%d,%s" % (random.getrandbits(64) % 1600000 * 2654435761 % (1 << 64), random.randrange(50), "payload" * random.randrange(1, 4))).encode() for _ in range(2000000)]
with open(sys.argv[1], "wb") as f:
    f.write(b"\n".join(rows) + b"\n")
PY
cat "$work/big.csv" "$work/rows.csv" >/dev/null

winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's#/#\\#g')"; }
ours() { "$WINE64" "$(winpath "$bench")" "$@" 2>/dev/null | tr -d '\r'; }
source "$(dirname "$0")/lib/timing.sh"

count=$(ours count "$(winpath "$work/big.csv")" 0)
count_nb=$(ours count "$(winpath "$work/big.csv")" 1)
wc_l=$(theirs wc -l "$work/big.csv")
find=$(ours find "$(winpath "$work/big.csv")" NEEDLE-81c4e7d2)
grep_f=$(theirs grep -F NEEDLE-81c4e7d2 "$work/big.csv")
sort_ours=$(ours sort "$(winpath "$work/rows.csv")" "$(winpath "$work")\\sorted.csv")
sort_theirs=$(theirs env LC_ALL=C sort -u --parallel=8 -o "$work/sorted-linux.csv" "$work/rows.csv")
cmp -s "$work/sorted.csv" "$work/sorted-linux.csv" || echo "WARNING: sorted outputs differ"
read -r flushed unflushed < <(ours replace "$(winpath "$work/rows.csv")" "$(winpath "$work")\\replaced.csv")

row "GetRowsCountCSVansi, 1 GiB" "$count" "wc -l" "$wc_l"
row "GetRowsCountCSVansi, 1 GiB, FileFlagNoBuffering" "$count_nb" "wc -l" "$wc_l"
row "FindRowsInCSVansi, 1 GiB, one hit near the end" "$find" "grep -F" "$grep_f"
row "SortDeleteDuplicateRowsCSVansi, 2,000,000 rows" "$sort_ours" "LC_ALL=C sort -u --parallel=8" "$sort_theirs"
row "the same over an existing file, flushed" "$flushed" "not flushed (as before)" "$unflushed"
