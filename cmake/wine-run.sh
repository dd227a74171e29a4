#!/usr/bin/env bash
# Runs COMMAND with the Wine prefix of a Windows build tree: cmake/wine-run.sh BUILD_DIR COMMAND...
# (for example a benchmark: cmake/wine-run.sh build/windows wine build/windows/bench/com/com_bench.exe).
# One Wine server is kept for the whole command (starting one per program costs seconds), and ended
# afterwards with everything still running in the prefix, test COM servers included.
set -uo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR COMMAND...}" && pwd)
shift
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.vorrindel-ready" ]; then
    echo "no Wine prefix in $build: build the tree first" >&2
    exit 2
fi
wineserver -p
wine cmd /c exit
"$@"
status=$?
wineserver -k
wineserver -w
exit $status
