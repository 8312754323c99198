#!/usr/bin/env bash
# The add-in's installation of the server with the real Regsvr32, in a private copy of the bare prefix (Wine's
# per-user type-library calls write machine-wide, so the run's own prefix must not see them).
#   1. nothing registered: the add-in registers per user, the removal takes it away;
#   2. a copy one byte longer registered machine-wide first (Wine looks classes up there only): the add-in
#      rewrites, registers and binds it; with the object alive the removal leaves file and keys;
#   3. with that registration, cells call QRcodePrint through the server that the add-in wrote and bound
#      there: zbarimg decodes the bytes that AddPicture received to each cell's text, byte for byte, and TEMP
#      holds no PNG afterwards.
# Usage: check-end-to-end.sh path-to-korvel_xll_end_to_end.exe path-to-server.dll
set -uo pipefail
source "$(dirname "$0")/../wine/env.sh"
program=$1
dll=$2
bare="$WINEPREFIX.bare"
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/korvel-end-to-end.XXXXXX)
trap 'wineserver -k 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
cp -a "$bare/." "$WINEPREFIX/"
wineserver -p10 </dev/null >/dev/null 2>&1

passed=0; failed=0
check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@" >/dev/null; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
absent() { ! "$@"; }
no_png_in() { [ -z "$(find "$1" -maxdepth 1 -iname '*.png')" ]; }
decodes_to() { # picture, expected text: zbarimg's output must be the text's UTF-8 and a line end, byte for byte
  local got
  got=$(LC_ALL=C.UTF-8 zbarimg --raw -q "$1" 2>/dev/null | od -An -tx1 | tr -s ' \n' ' ')
  local want
  want=$(printf '%s\n' "$2" | od -An -tx1 | tr -s ' \n' ' ')
  [ "$got" = "$want" ] || { echo "$(basename "$1"): decoded bytes$got, expected$want" >&2; return 1; }
}
key() { "$WINE64" reg query "$1" >/dev/null 2>&1; }
value_is() { # key, expected text of the default value
  "$WINE64" reg query "$1" /ve 2>/dev/null | tr -d '\r' | grep -qF -- "$2"
}
run_case() { # gtest name (fixture.case), then environment assignments; the one case must have run and passed
  local name=$1 out; shift
  out=$(env "$@" "$WINE64" "$(winpath "$program")" --gtest_filter="$name" 2>&1)
  local status=$?
  printf '%s\n' "$out" | grep -E 'Failure|Expected|Which is|FAILED' >&2
  [ "$status" = 0 ] && printf '%s\n' "$out" | grep -qF '[  PASSED  ] 1 test.'
}

per_user='HKCU\Software\Classes\CLSID\{757C2B06-4BA3-4D2B-B024-F4FB8F54C793}\InprocServer32'

check "nothing registered at first" absent key "$per_user"
check "first installation and removal" run_case EndToEnd.FirstInstallationRegistersPerUserAndTheRemovalTakesItAway
check "nothing left per user after the removal" absent key "$per_user"

folder="$WINEPREFIX/drive_c/korvel-e2e"
folder_win='C:\korvel-e2e'
mkdir -p "$folder"
cp "$dll" "$folder/KorvelCOM(x64).dll"
printf '\0' >>"$folder/KorvelCOM(x64).dll"
check "the longer copy registers machine-wide" "$WINE64" "$REGSVR64" /s "$folder_win\\KorvelCOM(x64).dll"
check "rewritten, registered, bound, kept while loaded" run_case EndToEnd.LongerMachineWideCopyIsRewrittenBoundAndKeptWhileLoaded \
  "KORVEL_E2E_FOLDER=$folder_win"
check "the file stays" test -f "$folder/KorvelCOM(x64).dll"
check "the file holds the build's server" cmp -s "$dll" "$folder/KorvelCOM(x64).dll"
check "the per-user registration stays" value_is "$per_user" "$folder_win\\KorvelCOM(x64).dll"

pictures="$WINEPREFIX/drive_c/korvel-e2e-qr"
mkdir -p "$pictures"
check "cells' pictures from the server the add-in bound" run_case EndToEndPictures.TheServerTheAddInBoundDrawsEachCellsOnePicture \
  "KORVEL_E2E_FOLDER=$folder_win" 'KORVEL_QR_OUT=C:\korvel-e2e-qr'
check "'Hello' decodes from its cell's picture" decodes_to "$pictures/hello.png" 'Hello'
check "the Cyrillic text decodes from its cell's picture" decodes_to "$pictures/cyrillic.png" 'Привет, мир'
check "TEMP holds no PNG afterwards" no_png_in "$folder"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
