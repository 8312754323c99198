#!/usr/bin/env bash
# regsvr32 against the built server in a bare copy of the run's prefix: per-user registration writes the
# classes under HKCU\Software\Classes and none under HKLM, machine-wide registration writes them under
# HKLM, and removal takes them away while the CLSID root stays.
# Usage: check-registration.sh x64|x86 path-to-server.dll path-to-call_exports.exe
set -uo pipefail
source "$(dirname "$0")/../wine/env.sh"
arch=$1
dll=$2
call_exports=$3
bare="$WINEPREFIX.bare"
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/korvel-registration.XXXXXX)
trap 'wineserver -k 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
cp -a "$bare/." "$WINEPREFIX/"
wineserver -p10
server="$WINEPREFIX/drive_c/$(basename "$dll")"
cp "$dll" "$server"
server_win='C:\'"$(basename "$dll")"

if [ "$arch" = x64 ]; then wine_run=("$WINE64"); regsvr=$REGSVR64; classes_view='Software\Classes'; syskind=win64
else wine_run=("$WINE32"); regsvr=$REGSVR32; classes_view='Software\Classes\Wow6432Node'; syskind=win32; fi

passed=0; failed=0
check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
absent() { ! "$@"; }
key() { "$WINE64" reg query "$1" >/dev/null 2>&1; }
value_is() { # key, value name ('' for the default), expected text
  local out
  if [ -z "$2" ]; then out=$("$WINE64" reg query "$1" /ve 2>/dev/null); else out=$("$WINE64" reg query "$1" /v "$2" 2>/dev/null); fi
  printf '%s\n' "$out" | tr -d '\r' | grep -qF -- "$3"
}
regsvr() { "${wine_run[@]}" "$regsvr" /s "$@" "$server_win"; }

vba=757c2b06-4ba3-4d2b-b024-f4fb8f54c793
float=82a88d23-a4cf-4650-b20e-13127e0405e3
libid=55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2
hkcu='HKCU\Software\Classes'
hklm="HKLM\\$classes_view"

# Per user: "/n /i" reaches DllInstall, which registers under the current user whatever the command line.
check "regsvr32 /n /i succeeds" regsvr /n /i
check "per-user ProgID" value_is "$hkcu\\KorvelCOM.VBA\\CLSID" '' "{$vba}"
check "per-user CurVer" value_is "$hkcu\\KorvelCOM.VBA\\CurVer" '' "KorvelCOM.VBA.1"
check "float's version-independent key has no CLSID" absent key "$hkcu\\KorvelCOM.BignumArithmeticFloat\\CLSID"
check "float's CurVer" value_is "$hkcu\\KorvelCOM.BignumArithmeticFloat\\CurVer" '' "KorvelCOM.BignumArithmeticFloat.1"
for clsid_key in "$hkcu\\CLSID\\{$vba}" "$hkcu\\Wow6432Node\\CLSID\\{$vba}"; do
  key "$clsid_key" && break
done
check "per-user class key" key "$clsid_key"
check "per-user server path" value_is "$clsid_key\\InprocServer32" '' "$server_win"
check "apartment threading" value_is "$clsid_key\\InprocServer32" ThreadingModel Apartment
check "type library of the class" value_is "$clsid_key\\TypeLib" '' "{${libid,,}}"
check "version" value_is "$clsid_key\\Version" '' "1.0"
check "programmable" key "$clsid_key\\Programmable"
check "nothing of the classes machine-wide" absent key "$hklm\\CLSID\\{$vba}"
check "no machine-wide ProgID" absent key 'HKLM\Software\Classes\KorvelCOM.VBA'
check "type library registered" key "HKLM\\Software\\Classes\\TypeLib\\{$libid}\\1.0\\409\\$syskind"
check "regsvr32 /u /n /i succeeds" regsvr /u /n /i
check "per-user class removed" absent key "$clsid_key"
check "per-user ProgIDs removed" absent key "$hkcu\\KorvelCOM.VBA"
check "float ProgIDs removed" absent key "$hkcu\\KorvelCOM.BignumArithmeticFloat.1"
check "CLSID root kept" key "$hkcu\\CLSID"

# Machine-wide: plain regsvr32 reaches DllRegisterServer.
check "regsvr32 succeeds" regsvr
check "machine-wide class key" value_is "$hklm\\CLSID\\{$float}" '' "BignumArithmeticFloat class"
check "machine-wide server path" value_is "$hklm\\CLSID\\{$float}\\InprocServer32" '' "$server_win"
check "machine-wide ProgID" value_is 'HKLM\Software\Classes\KorvelCOM.BignumArithmeticFloat.1\CLSID' '' "{$float}"
check "nothing per user" absent key "$hkcu\\KorvelCOM.VBA"
check "regsvr32 /u succeeds" regsvr /u
check "machine-wide class removed" absent key "$hklm\\CLSID\\{$float}"
check "machine-wide ProgID removed" absent key 'HKLM\Software\Classes\KorvelCOM.BignumArithmeticFloat.1'
check "machine-wide CLSID root kept" key "$hklm\\CLSID"
check "type library removed" absent key "HKLM\\Software\\Classes\\TypeLib\\{$libid}\\1.0\\409\\$syskind"

# DllInstall ignores its command line, and the per-user mode it sets holds for the rest of the process.
exports() { "${wine_run[@]}" "$(winpath "$call_exports")" "$server_win" "$@"; }
check "DllInstall with a command line, then DllRegisterServer" exports "DllInstall:1:machine /all" DllRegisterServer
check "still per user" key "$clsid_key"
check "nothing machine-wide" absent key "$hklm\\CLSID\\{$vba}"
check "DllInstall, then DllUnregisterServer removes per user" exports "DllInstall:1:" DllUnregisterServer
check "per-user keys gone" absent key "$clsid_key"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
