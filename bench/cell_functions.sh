#!/usr/bin/env bash
# The add-in's worksheet functions on the host's calculation threads (bench/cell_functions.cpp). The program
# links the add-in's core, which imports the host's XLCALL32.DLL: it runs beside the stand-in's copy.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/wine/env.sh"
"$WINE64" "$(winpath "$KORVEL_BUILD_DIR/x64/stand-in-host/bench_cell_functions.exe")"
