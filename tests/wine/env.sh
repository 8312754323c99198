# Sourced by the test and demo scripts: the Wine environment of one run.
# The prefix lives in the build folder (KORVEL_BUILD_DIR, default build/ in the work tree).
: "${KORVEL_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
export KORVEL_BUILD_DIR=${KORVEL_BUILD_DIR:-$KORVEL_ROOT/build}
export WINEPREFIX=$KORVEL_BUILD_DIR/wine-prefix
export WINEDEBUG=-all
# No browser, no debugger, no .NET or Gecko installers: nothing may wait for a person.
export WINEDLLOVERRIDES="winebrowser.exe=d;winedbg.exe=d;mscoree=d;mshtml=d"
export WINE64=/usr/lib/wine/wine64
export WINE32=/usr/lib/wine/wine
# 64-bit programs of the prefix run through wine64; 32-bit ones are the syswow64 copies.
export CSCRIPT64='cscript.exe'
export CSCRIPT32='C:\windows\syswow64\cscript.exe'
export REGSVR64='regsvr32.exe'
export REGSVR32='C:\windows\syswow64\regsvr32.exe'

# A kernel without IA-32 emulation (some virtual machines) cannot execute any 32-bit program, and Wine's
# 32-bit loader is one: there the x86 tree is still built, but nothing of it can run.
korvel_runs_32bit() { "$WINE32" --version >/dev/null 2>&1; }

# Windows path of a Linux path (Wine maps / to Z:).
winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's#/#\\#g')"; }
