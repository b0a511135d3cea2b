#!/usr/bin/env bash
# The test command: installs what is missing, builds everything with
# AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes every asset reader for
# a bounded time, and runs the whole test suite, the browser version included.
#   WALKERS_FUZZ_SECONDS=N   seconds per fuzz target (default 20; 0 skips fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test
build=${WALKERS_TEST_BUILD:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DWALKERS_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
fuzz_seconds=${WALKERS_FUZZ_SECONDS:-20}
if [ "$fuzz_seconds" -gt 0 ]; then
    scripts/fuzz.sh "$fuzz_seconds"
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$(nproc)"
