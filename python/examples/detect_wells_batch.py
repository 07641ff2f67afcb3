#!/usr/bin/env python3
"""Well detection over a folder of images with Dask.

Writes one JSON line per image with the keys of ``pixolan detect-wells --json``.

    detect_wells_batch.py FOLDER --rows 8 --cols 12                 # local cluster
    detect_wells_batch.py FOLDER --rows 8 --cols 12 --scheduler tcp://host:8786

The detector releases the GIL, so the threads of each worker run in parallel.
"""
import argparse
import json
import pathlib
import sys
import time

import pixolan

IMAGE_SUFFIXES = {".bmp", ".png", ".tif", ".tiff", ".jpg", ".jpeg", ".raw"}


def _require_detector():
    if not hasattr(pixolan, "WellDetector"):
        sys.exit("this pixolan build has no WellDetector binding; rebuild with the detector bindings")


def record(result, scores):
    """The keys of ``pixolan detect-wells --json`` for one WellGrid."""
    line = {"found": result.found}
    if result.is_rect:
        g = result.rect
        line["model"] = "square"
        line["grid"] = {"centre": list(g.centre), "pitch": [g.dx, g.dy], "half_size": [g.half_width, g.half_height]}
    elif result.is_circle:
        g = result.circle
        line["model"] = "circle"
        line["grid"] = {"centre": list(g.centre), "pitch": [g.dx, g.dy], "radius": g.radius}
    line["scores"] = {"circle": scores[0], "square": scores[1]}
    if result.found:
        centres = result.well_centres()
        line["wells"] = [{"row": k // g.cols, "col": k % g.cols, "centre": centres[k].tolist()}
                         for k in range(len(centres))]
    return line


def detect_one(path, rows, cols):
    """One JSON line for one image; errors are reported in the line, not raised."""
    _require_detector()
    line = {"file": str(path)}
    try:
        image = pixolan.load(str(path))
        line.update(width=image.width, height=image.height, rows=rows, cols=cols)
        detector = pixolan.WellDetector()
        start = time.perf_counter()
        result = detector.detect_wells(image, rows, cols)
        elapsed = (time.perf_counter() - start) * 1000.0
        line.update(record(result, detector.last_model_scores()))
        line["time_ms"] = elapsed
    except (ValueError, RuntimeError, OSError) as e:
        line["error"] = str(e)
    return json.dumps(line)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("folder", type=pathlib.Path)
    ap.add_argument("--rows", type=int, required=True)
    ap.add_argument("--cols", type=int, required=True)
    ap.add_argument("--scheduler", help="address of a running Dask scheduler (default: a local cluster)")
    ap.add_argument("--workers", type=int, default=2, help="workers of the local cluster")
    ap.add_argument("--threads", type=int, default=2, help="threads per worker of the local cluster")
    ap.add_argument("--output", type=argparse.FileType("w"), default=sys.stdout)
    args = ap.parse_args(argv)
    _require_detector()

    from dask.distributed import Client, LocalCluster

    files = sorted(p for p in args.folder.iterdir() if p.suffix.lower() in IMAGE_SUFFIXES)
    if args.scheduler:
        client = Client(args.scheduler)
        cluster = None
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=args.threads, processes=True)
        client = Client(cluster)
    try:
        futures = client.map(detect_one, files, rows=args.rows, cols=args.cols)
        for line in client.gather(futures):
            args.output.write(line + "\n")
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
        if args.output is not sys.stdout:
            args.output.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
