#!/usr/bin/env bash
# Installs the dependencies, builds the release tree for the /usr prefix and
# makes the Debian packages (libpixolan0, libpixolan-dev, pixolan-tools,
# tarvekresizerfilter and, with GStreamer, gstreamer1.0-tarvekresizer) in
# <build-dir>/packages, then checks their contents and dependencies.
# Usage: scripts/package.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build="${1:-build-release}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DPIXOLAN_BUILD_TESTS=OFF -DPIXOLAN_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB -B "$PWD/packages")
rm -rf "$build/packages/_CPack_Packages"
bash scripts/check-packages.sh "$build" "$build/packages"
ls -1 "$build"/packages/*.deb
