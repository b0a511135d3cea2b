#!/usr/bin/env bash
# Builds the Debian package in Release with Debian's hardening flags, checks it
# with lintian (which must find no errors) and prints the package's path last.
#   WALKERS_PACKAGE_BUILD=DIR   build folder (default build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --package

build=${WALKERS_PACKAGE_BUILD:-build-package}
# The compiler and linker flags of a Debian package build, with every hardening
# feature (fortify, stack protector, read-only relocations, immediate binding).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
      -DWALKERS_SANITIZE=OFF -DWALKERS_BUILD_APP=ON -DWALKERS_BUILD_TESTS=OFF \
      -DWALKERS_BUILD_BENCH=OFF >/dev/null
echo "building the package in $build ..." >&2
log="$build/package.log"
{ cmake --build "$build" -j"$(nproc)" && (cd "$build" && cpack -G DEB); } >"$log" 2>&1 ||
    { cat "$log" >&2; exit 1; }

deb=$(realpath "$build"/walkers_*.deb)
echo "lintian $(basename "$deb"):" >&2
lintian --fail-on error --info "$deb" >&2
echo "$deb"
