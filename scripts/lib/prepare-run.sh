# Sourced by the demo, test and benchmark scripts: installs what is missing, builds both architectures,
# makes a fresh Wine prefix for this run (stopped again when the script exits) and registers both servers
# machine-wide in it (the x86 one only where the kernel runs 32-bit programs). Leaves the Wine environment of tests/wine/env.sh set.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/scripts/install-packages.sh"
"$root/scripts/build.sh"
source "$root/tests/wine/env.sh"
"$root/tests/wine/prefix.sh" create
trap '"$root/tests/wine/prefix.sh" stop' EXIT
"$WINE64" "$REGSVR64" /s "$(winpath "$KORVEL_BUILD_DIR/x64/bin/KorvelCOM(x64).dll")"
if korvel_runs_32bit; then
  "$WINE32" "$REGSVR32" /s "$(winpath "$KORVEL_BUILD_DIR/x86/bin/KorvelCOM(x86).dll")"
else
  echo "NOTE: this machine's kernel cannot execute 32-bit programs: the x86 server is built, not registered or run" >&2
fi
