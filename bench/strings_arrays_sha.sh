#!/usr/bin/env bash
# HashStringSHA over 64 MiB against sha256sum and sha512sum of the same bytes, and Transpose of a
# 4096 x 4096 VARIANT array against a plain copy of its bytes. Runs the 64-bit program under Wine (it
# writes the text file), then the Linux tools on that file; best of 3 runs each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/wine/env.sh"
work=$(mktemp -d "$KORVEL_BUILD_DIR/bench-sas.XXXXXX")
trap 'rm -rf "$work"' EXIT
text="$work/text.txt"
program="$KORVEL_BUILD_DIR/x64/bench/bench_strings_arrays_sha.exe"
output=$("$WINE64" "$(winpath "$program")" "$(winpath "$work")\\text.txt" | tr -d '\r')

best_of_3() {
  local best="" start end t
  for _ in 1 2 3; do
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

ms() { printf '%8.1f ms' "$(echo "$1 * 1000" | bc -l)"; }

echo "HashStringSHA over a 64 MiB text (best of 3; the server's time includes the ANSI conversion)"
while read -r _ selector server library digest; do
  tool=sha256sum; [ "$selector" = 2512 ] && tool=sha512sum
  linux=$(best_of_3 "$tool" "$text")
  expected=$("$tool" "$text" | cut -d' ' -f1 | tr a-f A-F)
  same=same; [ "$expected" = "$digest" ] || same="DIFFERENT (expected $expected)"
  printf '  %-5s %s: %s  Crypto++ alone %s  server %s  server/%s %.2f  digest %s\n' "$selector" "$tool" \
    "$(ms "$linux")" "$(ms "$library")" "$(ms "$server")" "$tool" "$(echo "$server / $linux" | bc -l)" "$same"
done < <(printf '%s\n' "$output" | grep '^hash ')

read -r _ side block transpose copy moved < <(printf '%s\n' "$output" | grep '^transpose ')
echo "Transpose of a $side x $side VARIANT array ($((block >> 20)) MiB, best of 3)"
printf '  plain copy %s  Transpose %s  ratio %.2f  result %s\n' "$(ms "$copy")" "$(ms "$transpose")" \
  "$(echo "$transpose / $copy" | bc -l)" "$moved"
