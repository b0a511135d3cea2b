#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (skips the
# install when they are all present already). Needs root or sudo.
#   scripts/deps.sh [--web | --test | --package]
# The base set builds walkers-import too (Assimp, meshoptimizer, stb).
# --web adds the browser version's build tools: Emscripten (with node-acorn for
# its JavaScript optimiser).
# --test adds to --web what only the test command uses: Chromium for the page's
# test, the npm packages of package-lock.json (puppeteer-core, which uses that
# Chromium and downloads none), and the real models walkers-import's tests
# import (assimp-testmodels).
# --package adds what building and checking the Debian package needs.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev clang libclang-rt-14-dev zlib1g-dev xvfb xdotool imagemagick
          x11-utils desktop-file-utils man-db
          libassimp-dev libmeshoptimizer-dev libstb-dev)
test=false
if [ "${1:-}" = --web ] || [ "${1:-}" = --test ]; then
    packages+=(emscripten node-acorn googletest python3)
fi
if [ "${1:-}" = --test ]; then
    test=true
    packages+=(chromium assimp-testmodels)
    # Debian's npm only where no npm came with the machine's node.
    command -v npm >/dev/null || packages+=(npm)
elif [ "${1:-}" = --package ]; then
    packages+=(dpkg-dev file lintian)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# npm ci again only when the lock file is newer than what it installed.
if $test && { [ ! -f node_modules/.package-lock.json ] ||
             [ package-lock.json -nt node_modules/.package-lock.json ]; }; then
    echo "installing the npm packages of package-lock.json"
    npm ci --no-audit --no-fund --loglevel=error
fi
