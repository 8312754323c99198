#!/usr/bin/env bash
# One QRcodePrint call (PNG, 4 pixels a module, level M) against the qrencode command-line tool writing the
# same text as PNG with the same module size, margin and level. The server's time is measured inside its
# process; qrencode's is a whole process run, which is how a script would use it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/wine/env.sh"
text='https://example.org/Korvel/QR?id=1234567890&name=Sample'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

server=$("$WINE64" "$(winpath "$KORVEL_BUILD_DIR/x64/bench/bench_qr_images.exe")" "$text" "$(winpath "$work")" | tr -d '\r')
first=$(awk '$1 == "first" {print $2}' <<<"$server")
best=$(awk '$1 == "best" {print $2}' <<<"$server")
[ -n "$best" ] || { echo "$server"; exit 1; }

runs=50
cli_best=
for ((i = 0; i < runs; i++)); do
  start=$(date +%s%N)
  qrencode -o "$work/cli.png" -s 4 -m 4 -l M "$text"
  t=$(( $(date +%s%N) - start ))
  if [ -z "$cli_best" ] || [ "$t" -lt "$cli_best" ]; then cli_best=$t; fi
done
[ "$(zbarimg --raw -q "$work/bench.PNG" 2>/dev/null)" = "$text" ] || echo "warning: the server's picture does not decode"

echo "QR code of a ${#text}-character text as PNG, 4 pixels a module, level M"
awk -v first="$first" -v best="$best" -v cli="$cli_best" -v runs="$runs" 'BEGIN {
  printf "  QRcodePrint, x64 server under Wine, first call   %9.3f ms\n", first * 1e3
  printf "  QRcodePrint, x64 server under Wine, best of 50   %9.3f ms\n", best * 1e3
  printf "  qrencode command-line tool, best of %d runs      %9.3f ms  (a whole process each)\n", runs, cli / 1e6
  printf "  ratio QRcodePrint / qrencode                     %9.2f\n", best * 1e9 / cli
}'
