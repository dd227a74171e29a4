#!/usr/bin/env bash
# Runs the tests of a Windows build tree under Wine: cmake/wine-ctest.sh BUILD_DIR [ctest args...]
# One Wine server is kept for the whole run (starting one per test costs seconds), and ended
# afterwards with everything still running in the prefix, test COM servers included.
set -uo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR [ctest args...]}" && pwd)
shift
# The window tests need a display: without one, the whole run gets a virtual one.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$@"
fi
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.vorrindel-ready" ]; then
    echo "no Wine prefix in $build: build the tree first" >&2
    exit 2
fi
wineserver -p
wine cmd /c exit
ctest --test-dir "$build" --timeout 120 --output-on-failure "$@"
status=$?
wineserver -k
wineserver -w
exit $status
