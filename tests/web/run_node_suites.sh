#!/usr/bin/env bash
# The core suites of the Emscripten build, run under node by that build's CTest.
#   run_node_suites.sh CTEST BUILD
# Exit status 77 when there is no such build (web_build was skipped).
set -u
ctest=$1
build=$2
[ -f "$build/CTestTestfile.cmake" ] || { echo "skipped: no Emscripten build in $build"; exit 77; }
exec "$ctest" --test-dir "$build" --output-on-failure --no-tests=error
