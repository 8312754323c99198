#!/usr/bin/env bash
# Runs one VBScript suite late-bound against the registered server of one architecture.
# Usage: run-suite.sh x64|x86 suite.vbs
# The suite is appended to the shared checks of lib/checks.vbs; it prints "N passed, N failed" and exits
# with the number of failures. A silent script (a syntax error, an unhandled stop) counts as a failure.
set -euo pipefail
source "$(dirname "$0")/../wine/env.sh"
arch=$1
suite=$2
work=$(mktemp -d "$WINEPREFIX/drive_c/vbs.XXXXXX")
trap 'rm -rf "$work"' EXIT
script="$work/$(basename "$suite")"
cat "$(dirname "$0")/lib/checks.vbs" "$suite" | sed 's/$/\r/' >"$script"
if [ "$arch" = x64 ]; then runner=("$WINE64" "$CSCRIPT64"); else runner=("$WINE32" "$CSCRIPT32"); fi
set +e
output=$(cd "$work" && "${runner[@]}" //nologo "$(winpath "$script")" "$(winpath "$work")" "$arch" 2>&1)
rc=$?
set -e
printf '%s\n' "$output" | tr -d '\r'
if ! printf '%s\n' "$output" | tr -d '\r' | grep -qE '^[0-9]+ passed, 0 failed$'; then
  echo "suite did not report success (exit $rc)" >&2
  exit 1
fi
exit "$rc"
