#!/usr/bin/env bash
# The demo in a web browser: installs what is missing, builds the page (HTML,
# JavaScript, WebAssembly and the packed data folder) into build-web/wasm/site
# and serves that folder on localhost until Ctrl+C.
#   scripts/web.sh [--build-only]
#   WALKERS_WEB_PORT=N   the port to serve on (default 8000)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --web

# The data folder comes from the native generator.
native=build-web/native
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DWALKERS_SANITIZE=OFF \
      -DWALKERS_BUILD_APP=OFF -DWALKERS_BUILD_TESTS=OFF -DWALKERS_BUILD_BENCH=OFF >/dev/null
cmake --build "$native" --target walkers-data -j"$(nproc)" >/dev/null
web/build.sh build-web/wasm "$native/bin/data" walkers-web

site=build-web/wasm/site
[ "${1:-}" = --build-only ] && { echo "built $site"; exit 0; }
port=${WALKERS_WEB_PORT:-8000}
echo "walkers in the browser: http://127.0.0.1:$port/   (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
