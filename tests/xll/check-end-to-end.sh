#!/usr/bin/env bash
# The add-in's installation of the server with the real Regsvr32, in a private copy of the bare prefix (Wine's
# per-user type-library calls write machine-wide, so the run's own prefix must not see them).
#   1. nothing registered: the add-in registers per user, the removal takes it away;
#   2. a copy one byte longer registered machine-wide first (Wine looks classes up there only): the add-in
#      rewrites, registers and binds it; with the object alive the removal leaves file and keys.
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
key() { "$WINE64" reg query "$1" >/dev/null 2>&1; }
value_is() { # key, expected text of the default value
  "$WINE64" reg query "$1" /ve 2>/dev/null | tr -d '\r' | grep -qF -- "$2"
}
run_case() { # gtest name, then environment assignments; the one case must have run and passed
  local name=$1 out; shift
  out=$(env "$@" "$WINE64" "$(winpath "$program")" --gtest_filter="EndToEnd.$name" 2>&1)
  local status=$?
  printf '%s\n' "$out" | grep -E 'Failure|Expected|Which is|FAILED' >&2
  [ "$status" = 0 ] && printf '%s\n' "$out" | grep -qF '[  PASSED  ] 1 test.'
}

per_user='HKCU\Software\Classes\CLSID\{757C2B06-4BA3-4D2B-B024-F4FB8F54C793}\InprocServer32'

check "nothing registered at first" absent key "$per_user"
check "first installation and removal" run_case FirstInstallationRegistersPerUserAndTheRemovalTakesItAway
check "nothing left per user after the removal" absent key "$per_user"

folder="$WINEPREFIX/drive_c/korvel-e2e"
folder_win='C:\korvel-e2e'
mkdir -p "$folder"
cp "$dll" "$folder/KorvelCOM(x64).dll"
printf '\0' >>"$folder/KorvelCOM(x64).dll"
check "the longer copy registers machine-wide" "$WINE64" "$REGSVR64" /s "$folder_win\\KorvelCOM(x64).dll"
check "rewritten, registered, bound, kept while loaded" run_case LongerMachineWideCopyIsRewrittenBoundAndKeptWhileLoaded \
  "KORVEL_E2E_FOLDER=$folder_win"
check "the file stays" test -f "$folder/KorvelCOM(x64).dll"
check "the file holds the build's server" cmp -s "$dll" "$folder/KorvelCOM(x64).dll"
check "the per-user registration stays" value_is "$per_user" "$folder_win\\KorvelCOM(x64).dll"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
