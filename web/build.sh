#!/usr/bin/env bash
# Builds the browser version with Emscripten: the page, with the asset folder
# packed in, in BUILD/site, and the core's test suites for node (run them with
# ctest --test-dir BUILD).
#   web/build.sh BUILD DATA_DIR [TARGET...]
# TARGETs limit the build (walkers-web: the page alone).
# DATA_DIR is a generated asset folder (a native build's bin/data). Exit status
# 77 when em++ or emcmake is missing.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: web/build.sh BUILD DATA_DIR [TARGET...]" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$1
data=$(realpath "$2")
shift 2
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
for tool in em++ emcmake; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/deps.sh --web installs it)" >&2; exit 77; }
done
# Debian's em++ needs Debian's acorn for its JavaScript optimiser; a node that is
# not Debian's own does not look in /usr/share/nodejs by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# emcmake's default runner for the node suites adds a flag that node 20 refuses.
emcmake cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node)" -DWALKERS_WEB_DATA_DIR="$data" >/dev/null
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
