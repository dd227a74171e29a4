#!/usr/bin/env bash
# Runs the tests of a Windows build tree under Wine: cmake/wine-ctest.sh BUILD_DIR [ctest args...]
# A test that hangs is ended after two minutes.
set -uo pipefail
build=${1:?usage: $0 BUILD_DIR [ctest args...]}
shift
# The window tests need a display: without one, the whole run gets a virtual one.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$@"
fi
exec "$(dirname "$0")/wine-run.sh" "$build" ctest --test-dir "$build" --timeout 120 --output-on-failure "$@"
