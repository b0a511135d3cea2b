#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time on its
# seed corpus (copied, so the repository's corpus stays as committed).
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${WALKERS_FUZZ_SECONDS:-20}}
build=$(realpath -m "${WALKERS_FUZZ_BUILD:-build-fuzz}")
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DWALKERS_BUILD_FUZZ=ON -DWALKERS_BUILD_APP=OFF -DWALKERS_BUILD_TESTS=OFF \
    -DWALKERS_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
shopt -s nullglob
# Leaks inside the uninstrumented libraries (Assimp's readers giving up) are not ours.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
status=0
for target in "$build"/bin/fuzz_*; do
    name=$(basename "$target"); name=${name#fuzz_}
    work=$(mktemp -d)
    [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
    echo "fuzzing $name for ${seconds}s"
    if ! (cd "$work" && "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
            -print_final_stats=1 . 2>"$work.log"); then
        echo "fuzz target $name FAILED:"; tail -40 "$work.log"; status=1
    else
        grep -E "stat::number_of_executed_units" "$work.log" || true
    fi
    rm -rf "$work" "$work.log"
done
exit $status
