#!/usr/bin/env bash
# Builds the libraries and the test suites with ThreadSanitizer and runs the
# tests that use several threads. Not part of CI (it is a second full build).
# Usage: scripts/run-tsan.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build="${1:-build-tsan}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXOLAN_SANITIZE=thread \
  -DPIXOLAN_BUILD_TESTS=ON -DPIXOLAN_BUILD_BENCH=OFF -DPIXOLAN_WITH_GSTREAMER=OFF
cmake --build "$build" -j "$(nproc)" --target image_analysis_tests image_filter_tests
# OpenCV is not instrumented: its own worker pool would be reported; keep it serial.
export OPENCV_FOR_THREADS_NUM=1
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1}"
"$build/bin/image_analysis_tests" --gtest_filter='Concurrency.*:Matching.*'
"$build/bin/image_filter_tests" --gtest_filter='FilterFactory.LockedCreate*'
