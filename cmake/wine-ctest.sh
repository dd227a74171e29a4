#!/usr/bin/env bash
# Runs the tests of a Windows build tree under Wine: cmake/wine-ctest.sh BUILD_DIR [ctest args...]
# A test that hangs is ended after two minutes.
set -uo pipefail
build=${1:?usage: $0 BUILD_DIR [ctest args...]}
shift
exec "$(dirname "$0")/wine-run.sh" "$build" ctest --test-dir "$build" --timeout 120 --output-on-failure "$@"
