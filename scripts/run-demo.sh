#!/usr/bin/env bash
# Installs the dependencies, builds the tools in release mode and runs the main
# job: the 96-well plate of the bundled sample located (both well models tried, the
# better kept), printed and outlined in a picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXOLAN_BUILD_TESTS=OFF -DPIXOLAN_BUILD_BENCH=OFF
cmake --build build-release -j "$(nproc)" --target pixolan_tool
./build-release/bin/pixolan detect-wells data/plate96.png --rows 8 --cols 12 --shape auto --annotate build-release/plate96-wells.png "$@"
