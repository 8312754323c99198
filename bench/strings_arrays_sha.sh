#!/usr/bin/env bash
# HashStringSHA over 64 MiB against sha256sum and sha512sum of the same bytes (a 7-bit text, and the same
# with one Cyrillic letter), and Transpose of VARIANT arrays against a plain copy of their bytes. Runs the
# 64-bit program under Wine (it writes the text files), then the Linux tools on those files; best of 3 runs
# each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/wine/env.sh"
work=$(mktemp -d "$KORVEL_BUILD_DIR/bench-sas.XXXXXX")
trap 'rm -rf "$work"' EXIT
program="$KORVEL_BUILD_DIR/x64/bench/bench_strings_arrays_sha.exe"
output=$("$WINE64" "$(winpath "$program")" "$(winpath "$work")" | tr -d '\r')
if grep -q -v -E "^(hash|transpose|#) " <<<"$output"; then printf '%s\n' "$output"; exit 1; fi

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
mib() { printf '%.1f MiB' "$(echo "$1 / 1048576" | bc -l)"; }
kib() { printf '%.0f KiB' "$(echo "$1 / 1024" | bc -l)"; }

echo "HashStringSHA over a 64 MiB text (best of 3; the server's time includes the ANSI conversion)"
while read -r _ name path selector server library digest; do
  text="$work/$(basename "${path//\\//}")"
  tool=sha256sum; [ "$selector" = 2512 ] && tool=sha512sum
  linux=$(best_of_3 "$tool" "$text")
  expected=$("$tool" "$text" | cut -d' ' -f1 | tr a-f A-F)
  same=same; [ "$expected" = "$digest" ] || same="DIFFERENT (expected $expected)"
  printf '  %-15s %-5s %s: %s  Crypto++ alone %s  server %s  server/%s %.2f  digest %s\n' "$name" "$selector" \
    "$tool" "$(ms "$linux")" "$(ms "$library")" "$(ms "$server")" "$tool" "$(echo "$server / $linux" | bc -l)" "$same"
done < <(printf '%s\n' "$output" | grep '^hash ')

echo "Transpose of VARIANT arrays (best of 4 against the best of 3 plain copies into a block touched before)"
while read -r _ rows columns block working transpose copy moved; do
  extra="no working memory"
  [ "$working" = 0 ] || extra="working memory $(kib "$working")"
  printf '  %5s x %-5s (%s)  plain copy %s  Transpose %s  ratio %.2f  %s  result %s\n' "$rows" "$columns" \
    "$(mib "$block")" "$(ms "$copy")" "$(ms "$transpose")" "$(echo "$transpose / $copy" | bc -l)" "$extra" "$moved"
done < <(printf '%s\n' "$output" | grep '^transpose ')
