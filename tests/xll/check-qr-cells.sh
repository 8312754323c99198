#!/usr/bin/env bash
# The QR pictures that cells put on the stand-in host's sheet through the real server, decoded by zbarimg. The
# test program keeps the bytes that AddPicture received in KORVEL_QR_OUT; the decoded text must equal the
# cell's text, its UTF-8 compared byte for byte.
# Usage: check-qr-cells.sh <the add-in's test program>
set -uo pipefail
source "$(dirname "$0")/../wine/env.sh"
program=$1
out=$(mktemp -d "$KORVEL_BUILD_DIR/qr-cells.XXXXXX") || exit 1
trap '[ -n "${KEEP_WORK-}" ] || rm -rf "$out"' EXIT
export LC_ALL=C.UTF-8

filter='QrPictureWithServerTest.HelloWithTheDefaultsPutsOneVersion1PictureAtTheCell'
filter+=':QrPictureWithServerTest.ACyrillicTextAndASecondCalculationLeaveOnePicture'
if ! KORVEL_QR_OUT=$(winpath "$out") "$WINE64" "$program" --gtest_filter="$filter" >"$out/run.log" 2>&1; then
  cat "$out/run.log"
  echo "FAIL: the cases that keep the pictures"
  exit 1
fi

failed=0
for pair in "hello.png|Hello" "cyrillic.png|Привет, мир"; do
  file=${pair%%|*}
  expected=${pair#*|}
  if [ ! -s "$out/$file" ]; then
    echo "FAIL: $file was not kept"
    failed=1
    continue
  fi
  got=$(zbarimg --raw -q "$out/$file" 2>/dev/null)
  if [ "$got" = "$expected" ]; then
    echo "ok: $file decodes to '$got'"
  else
    echo "FAIL: $file decodes to '$got' ($(printf %s "$got" | od -An -tx1 | tr -d '\n')), expected '$expected'"
    failed=1
  fi
done
exit "$failed"
