#!/usr/bin/env bash
# Quick start: installs what is missing, builds the demo (Release) when needed
# and opens its window. Without a display it says how to render frames with
# walkers-snapshot instead and builds that tool.
#   scripts/demo.sh [WALKERS OPTIONS]   e.g. --fullscreen, --scale 2, --data DIR
#   WALKERS_DEMO_BUILD=DIR   build folder (default build-demo)
# The options go to walkers as given, from the folder the script was started in.
set -euo pipefail
start_dir=$PWD
cd "$(dirname "$0")/.."
scripts/deps.sh

# Builds quietly; shows the compiler's output only when the build fails.
build_targets() {
    local log="$build/demo-build.log"
    echo "building $* in $build ..." >&2
    cmake --build "$build" --target "$@" -j"$(nproc)" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
}

build=${WALKERS_DEMO_BUILD:-build-demo}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DWALKERS_SANITIZE=OFF \
      -DWALKERS_BUILD_APP=ON -DWALKERS_BUILD_TESTS=OFF -DWALKERS_BUILD_BENCH=OFF >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    build_targets walkers-snapshot walkers-data
    cat >&2 <<MSG
There is no display here (DISPLAY and WAYLAND_DISPLAY are not set), so the
window cannot open. The same scene renders without a window:

  $build/bin/walkers-snapshot --frames 200 --click 50 --bmp walkers.bmp

  walkers-snapshot [--data DIR] [--size WxH] [--frames N] [--click F]... [--bmp FILE] [--state FILE]
    --frames N   frames to run; --click F   a left click before frame F
    --bmp FILE   the last frame as a picture; --state FILE   walker state per frame
MSG
    exit 1
fi

build_targets walkers
program=$(realpath "$build/bin/walkers") # the data folder sits beside it
cd "$start_dir"
exec "$program" "$@"
