#!/usr/bin/env bash
# Runs every test on a fresh Debian 12 machine: installs what is missing, builds both architectures,
# makes a Wine prefix for this run, registers both servers machine-wide in it, and runs the C++ tests,
# the VBScript suites and the registration checks of both architectures through CTest.
# KORVEL_BUILD_DIR chooses the build folder (default build/ in the work tree). While developing,
# KORVEL_TEST_ARCHS="x64" limits the run to one architecture, and further arguments go to ctest
# (for example -R 'x64\.LifeCycle').
set -euo pipefail
source "$(dirname "$0")/lib/prepare-run.sh"

archs=${KORVEL_TEST_ARCHS:-}
if [ -z "$archs" ]; then
  archs="x64 x86"
  if ! korvel_runs_32bit; then
    archs="x64"
    echo "NOTE: x86 tests not run: this machine's kernel cannot execute 32-bit programs (the x86 tree was built)"
  fi
fi

status=0
for arch in $archs; do
  echo "== $arch"
  ctest --test-dir "$KORVEL_BUILD_DIR/$arch" -j "$(nproc)" --output-on-failure --timeout 900 "$@" || status=1
done
exit "$status"
