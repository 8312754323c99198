#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and shows the main job: installs the packages, builds the
# dependencies and both servers, registers them in a Wine prefix of this build folder, runs a short
# VBScript against each that computes with the integer registers, and shows the add-in at work: opened in the
# stand-in host, it installs and binds its server, calculates a few cells (big integers, big floats, a QR
# picture kept as build/demo/qr-cell.png and read back by zbarimg) and prints its About text.
set -euo pipefail
source "$(dirname "$0")/lib/prepare-run.sh"
echo "Built: $KORVEL_BUILD_DIR/x64/bin/KorvelCOM(x64).dll, $KORVEL_BUILD_DIR/x86/bin/KorvelCOM(x86).dll"
echo "       and $KORVEL_BUILD_DIR/x64/bin/KorvelXLL(x64).xll (the add-in; its tests run in the stand-in host)"
echo "== 64-bit server, 64-bit cscript"
"$WINE64" "$CSCRIPT64" //nologo "$(winpath "$root/demo/integer_registers.vbs")" | tr -d '\r'
echo "== 32-bit server, 32-bit cscript"
if korvel_runs_32bit; then
  "$WINE32" "$CSCRIPT32" //nologo "$(winpath "$root/demo/integer_registers.vbs")" | tr -d '\r'
else
  echo "(not run: this machine's kernel cannot execute 32-bit programs)"
fi
echo "== the add-in in the stand-in host, with the server it installs"
demo="$KORVEL_BUILD_DIR/demo"
rm -rf "$demo"
mkdir -p "$demo/temp"
# The add-in's TEMP is demo/temp. Wine finds classes only machine-wide, so the server's copy there is registered
# machine-wide first: the object the add-in binds then comes from the file it writes itself (on Windows its own
# per-user registration is what the host finds).
cp "$KORVEL_BUILD_DIR/x64/bin/KorvelCOM(x64).dll" "$demo/temp/"
"$WINE64" "$REGSVR64" /s "$(winpath "$demo/temp/KorvelCOM(x64).dll")"
"$WINE64" "$(winpath "$KORVEL_BUILD_DIR/x64/stand-in-host/korvel_add_in_demo.exe")" \
  "$(winpath "$KORVEL_BUILD_DIR/x64/bin/KorvelXLL(x64).xll")" "$(winpath "$demo/temp")" "$(winpath "$demo")"
if [ -s "$demo/qr-cell.png" ]; then
  decoded=$(LC_ALL=C.UTF-8 zbarimg --raw -q "$demo/qr-cell.png" 2>/dev/null || true)
  if [ "$decoded" = "$(cat "$demo/qr-cell.txt")" ]; then verdict="the cell's text"; else verdict="NOT the cell's text"; fi
  echo "zbarimg reads $demo/qr-cell.png: '$decoded' ($verdict)"
fi
