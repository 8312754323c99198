#!/usr/bin/env bash
# Creates a fresh Wine prefix for one run: null display driver (windows without X; modal boxes never show),
# a snapshot of the bare prefix for tests that need one unregistered, and a persistent wineserver.
# Usage: prefix.sh create | stop
set -euo pipefail
source "$(dirname "$0")/env.sh"

case "${1:-}" in
  create)
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$WINEPREFIX.bare"
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$WINE64" wineboot -i >/dev/null 2>&1
    "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    cp -a "$WINEPREFIX" "$WINEPREFIX.bare"
    wineserver -p60
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 create|stop" >&2
    exit 2
    ;;
esac
