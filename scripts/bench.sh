#!/usr/bin/env bash
# Builds Release and measures the renderer, the window loop and the window's
# reload (walkers_reload_bench: from a file's change to the first new frame, and
# the memory after 10 and 1000 reloads), then prints each figure against its goal. Every ratio is taken within this one run, so a busy
# machine slows both sides alike; run it when the load is low all the same.
#   scripts/bench.sh [BUILD_DIR]        (default build-bench; configured Release)
#   WALKERS_BENCH_REPETITIONS=N         repetitions per benchmark, median used (default 3)
#   WALKERS_BENCH_FRAMES=N              frames per window run (default 3000)
#   WALKERS_BENCH_WINDOW_RUNS=N         window runs, median used (default 5)
# The window loop runs under a private Xvfb when Xvfb is installed, else on
# $DISPLAY when one is set, else it is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
repetitions=${WALKERS_BENCH_REPETITIONS:-3}
frames=${WALKERS_BENCH_FRAMES:-3000}
window_runs=${WALKERS_BENCH_WINDOW_RUNS:-5}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWALKERS_SANITIZE=OFF \
      -DWALKERS_BUILD_TESTS=OFF -DWALKERS_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 >"$build/bench-build.log" 2>&1 || { cat "$build/bench-build.log"; exit 1; }

work=$(mktemp -d)
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

echo "== $(uptime)"
"$build/bin/walkers_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/bench.json" --benchmark_out_format=json

# median NAME FIELD: a field of a benchmark's median aggregate in the JSON report.
median() {
    awk -v want="\"$1_median\"" -v field="\"$2\"" '
        $1 == "\"name\":" { name = $2; sub(/,$/, "", name) }
        name == want && $1 == field ":" { value = $2; sub(/,$/, "", value); print value; exit }
    ' "$work/bench.json"
}
frame_us=$(median BM_RunFrame real_time)
# The headless frame at the window's surface size: the window loop renders
# those pixels too, so subtracting this leaves only what showing them costs.
window_frame_us=$(median BM_RunFrameWindowSize real_time)
floor_us=$(median BM_ClearAndCopy real_time)

window_us=""
reload_ms=""
export XDG_CONFIG_HOME="$work/config" # the window's remembered folders are not the user's
run_window() { # prints microseconds per frame of the median run
    for _ in $(seq "$window_runs"); do
        (cd "$build/bin" && ./walkers --frames "$frames" --unlimited 2>/dev/null) |
            sed -n 's/.* in \([0-9.]*\) s: .*/\1/p'
    done | sort -n | awk -v frames="$frames" '{ t[NR] = $1 }
        END { if (NR) printf "%.2f", t[int((NR + 1) / 2)] * 1e6 / frames }'
}
# The reload: its latency (median and largest of 20 changes), then the memory.
run_reload() {
    echo "== reload: 20 changes of a file, then 1000 reloads"
    reload_ms=$("$build/bin/walkers_reload_bench" latency "$build/bin/data" 2>/dev/null |
        sed -n 's/.*median \([0-9.]*\) ms, largest \([0-9.]*\) ms$/\1 \2/p')
    "$build/bin/walkers_reload_bench" soak "$build/bin/data" 2>/dev/null >"$work/soak.txt"
}
if command -v Xvfb >/dev/null; then
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    if [ -s "$work/display" ]; then
        echo "== window loop: $frames frames, unlimited, under Xvfb, $window_runs runs"
        window_us=$(DISPLAY=:$(head -n1 "$work/display") run_window)
        DISPLAY=:$(head -n1 "$work/display") run_reload
    fi
elif [ -n "${DISPLAY:-}" ]; then
    echo "== window loop: $frames frames, unlimited, on $DISPLAY, $window_runs runs"
    window_us=$(run_window)
    run_reload
fi

# verdict LABEL VALUE GOAL le|ge UNIT
verdict() {
    awk -v label="$1" -v v="$2" -v goal="$3" -v how="$4" -v unit="$5" 'BEGIN {
        ok = (how == "le") ? v <= goal : v >= goal
        printf "  %-52s %9.2f %-9s goal %s %s  %s\n", label, v, unit,
               (how == "le") ? "<=" : ">=", goal, ok ? "met" : "NOT MET" }'
}
echo
echo "== figures (medians; wall-clock, within this run)"
printf '  %-52s %9.2f us\n' "BM_ClearAndCopy (the floor)" "$floor_us"
printf '  %-52s %9.2f us\n' "BM_RunFrame (headless frame, 512x461)" "$frame_us"
if [ -n "$window_us" ]; then
    printf '  %-52s %9.2f us\n' "window loop per frame (520x489)" "$window_us"
    printf '  %-52s %9.2f us\n' "BM_RunFrameWindowSize (headless frame, 520x489)" "$window_frame_us"
    presentation=$(awk -v w="$window_us" -v f="$window_frame_us" 'BEGIN { printf "%.2f", w - f }')
    printf '  %-52s %9.2f us\n' "presentation (window - BM_RunFrameWindowSize)" "$presentation"
    verdict "presentation / floor" \
        "$(awk -v p="$presentation" -v f="$floor_us" 'BEGIN { print p / f }')" 10 le x
else
    echo "  window loop: skipped (no Xvfb and no DISPLAY)"
fi
verdict "BM_RunFrame / floor" "$(awk -v a="$frame_us" -v b="$floor_us" 'BEGIN { print a / b }')" 5 le x
gps() { awk -v r="$(median "$1" pixels_per_second)" 'BEGIN { print r / 1e9 }'; }
verdict "textured, walker-sized (BM_TexturedSmallTriangles)" "$(gps BM_TexturedSmallTriangles)" 0.9 ge Gpx/s
verdict "flat, walker-sized (BM_FlatSmallTriangles)" "$(gps BM_FlatSmallTriangles)" 2 ge Gpx/s
verdict "textured, large (BM_TexturedLargeTriangle)" "$(gps BM_TexturedLargeTriangle)" 2 ge Gpx/s
if [ -n "$reload_ms" ]; then
    read -r reload_median reload_largest <<<"$reload_ms"
    verdict "reload: a file's change to the first new frame, median" "$reload_median" 300 le ms
    printf '  %-52s %9.2f ms\n' "reload: the largest of 20" "$reload_largest"
    sed -n 's/^resident memory after \(10\|1000\) reloads: \([0-9]*\) KiB$/\1 \2/p' "$work/soak.txt" |
        while read -r reloads kib; do
            printf '  %-52s %9d KiB\n' "reload: resident memory after $reloads reloads" "$kib"
        done
else
    echo "  reload: skipped (no Xvfb and no DISPLAY)"
fi
