#!/usr/bin/env bash
# The demo in a web browser: installs what is missing, builds the page (HTML,
# JavaScript, WebAssembly and the packed data folder) into build-web/wasm/site
# and serves that folder on localhost until Ctrl+C. The builds run quietly:
# only their errors are shown, and the address to open.
#   scripts/web.sh [--build-only]
#   WALKERS_WEB_PORT=N   the port to serve on (default 8000)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --web

# Runs one build step with its output in LOG; when it fails, shows the lines
# that report errors (or the end of the log) and stops.
quietly() { # LOG COMMAND...
    local log=$1
    shift
    mkdir -p "$(dirname "$log")"
    "$@" >"$log" 2>&1 && return 0
    echo "web.sh: the build failed (the whole log: $log):" >&2
    local errors='(^|[^a-z_])(error|fatal|failed)([^a-z_]|$)'
    if grep -qiE "$errors" "$log"; then
        grep -iE -A3 "$errors" "$log" | head -n 60 >&2 || true
    else
        tail -n 40 "$log" >&2
    fi
    exit 1
}

echo "building the page in build-web ..." >&2
# The data folder comes from the native generator.
native=build-web/native
quietly build-web/native-build.log cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release \
    -DWALKERS_SANITIZE=OFF -DWALKERS_BUILD_APP=OFF -DWALKERS_BUILD_TESTS=OFF \
    -DWALKERS_BUILD_BENCH=OFF
quietly build-web/native-build.log cmake --build "$native" --target walkers-data -j"$(nproc)"
quietly build-web/web-build.log web/build.sh build-web/wasm "$native/bin/data" walkers-web

site=build-web/wasm/site
[ "${1:-}" = --build-only ] && { echo "built $site"; exit 0; }
port=${WALKERS_WEB_PORT:-8000}
echo "walkers in the browser: http://127.0.0.1:$port/   (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
