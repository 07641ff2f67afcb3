#!/usr/bin/python3
"""What the Python binding adds to a call: measured, not asserted.

  PYTHONPATH=<build>/python bench/python/binding_overhead.py [--build <build>]

1. np.asarray(image) for images from 64 x 64 to 4096 x 4096: a view, so the
   time per call stays a few microseconds whatever the size.
2. A 5 x 5 median on a 1920 x 1080 grey frame from Python against the C++
   benchmark BM_Median/5 (the same filter on a frame of the same size).
3. Circle detection on a rendered 1280 x 960 plate from Python against the
   detection time the command-line tool reports for the same file.
Needs a Release build with the benchmarks (-DPIXOLAN_BUILD_BENCH=ON).
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import timeit

import numpy as np

import pixolan


def best_of(fn, number, repeat=5):
    return min(timeit.repeat(fn, number=number, repeat=repeat)) / number


def cpp_benchmark(build, program, name):
    out = subprocess.run([os.path.join(build, "bin", program), "--benchmark_format=json",
                          "--benchmark_filter=^%s$" % name, "--benchmark_repetitions=5",
                          "--benchmark_report_aggregates_only=true"],
                         check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "min" or b.get("aggregate_name") == "median":
            return b["real_time"] * scale[b["time_unit"]]
    raise RuntimeError("benchmark %s not found in %s" % (name, program))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default="build-bench")
    a = ap.parse_args()

    print("np.asarray(image), microseconds per call:")
    for w, h in ((64, 64), (640, 480), (1920, 1080), (4096, 4096)):
        img = pixolan.Image8(w, h)
        print("  %4d x %-4d %6.2f" % (w, h, best_of(lambda: np.asarray(img), 2000) * 1e6))

    rng = np.random.default_rng(1)
    frame = pixolan.Image8.from_array(rng.integers(0, 256, (1080, 1920), dtype=np.uint8))
    out = pixolan.Image8(1920, 1080)
    py = best_of(lambda: pixolan.median(frame, out, kernelSize=5), 5)
    cpp = cpp_benchmark(a.build, "bench_image_model", "BM_Median/5")
    print("5 x 5 median 1920 x 1080: Python %.3f ms, C++ %.3f ms, difference %+.1f us"
          % (py * 1e3, cpp * 1e3, (py - cpp) * 1e6))

    tool = os.path.join(a.build, "bin", "pixolan")
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "plate.png")
        subprocess.run([tool, "synth", path, "--width", "1280", "--height", "960", "--plate", "3x4"], check=True,
                       stdout=subprocess.DEVNULL)
        runs = [json.loads(subprocess.run([tool, "detect-circles", path, "--json"], check=True,
                                          stdout=subprocess.PIPE, text=True).stdout) for _ in range(3)]
        cpp = min(r["time_ms"] if isinstance(r, dict) else r[0]["time_ms"] for r in runs) * 1e-3
        image = pixolan.load(path)
        detector = pixolan.CircleDetector()
        py = best_of(lambda: detector.detect(image), 1, repeat=3)
    print("circle detection 1280 x 960: Python %.1f ms, C++ %.1f ms, difference %+.2f ms"
          % (py * 1e3, cpp * 1e3, (py - cpp) * 1e3))
    return 0


if __name__ == "__main__":
    sys.exit(main())
