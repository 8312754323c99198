#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and shows the main job: installs the packages, builds the
# dependencies and both servers, registers them in a Wine prefix of this build folder, and runs a short
# VBScript against each that computes with the integer registers.
set -euo pipefail
source "$(dirname "$0")/lib/prepare-run.sh"
echo "Built: $KORVEL_BUILD_DIR/x64/bin/KorvelCOM(x64).dll, $KORVEL_BUILD_DIR/x86/bin/KorvelCOM(x86).dll"
echo "       and $KORVEL_BUILD_DIR/x64/bin/KorvelXLL(x64).xll (the add-in; its tests run in the stand-in host)"
echo "== 64-bit server, 64-bit cscript"
"$WINE64" "$CSCRIPT64" //nologo "$(winpath "$root/demo/integer_registers.vbs")" | tr -d '\r'
echo "== 32-bit server, 32-bit cscript"
"$WINE32" "$CSCRIPT32" //nologo "$(winpath "$root/demo/integer_registers.vbs")" | tr -d '\r'
