#!/usr/bin/python3
"""Runs benchmark programs and prints ours/reference per pair of benchmarks.

A pair is BM_<Op>[/args] and BM_<Op>_Ref<What>[/args]: the same arguments are
paired; a reference run without arguments serves every run of its operation.
Ratios below 1 mean ours is faster. The table is Markdown, to paste into notes.

  scripts/bench-ratios.py [--build DIR] [--filter REGEX] [--repetitions N] [PROGRAM ...]

Without programs every bench_* program under DIR/bin (default build-bench) runs.
"""
import argparse
import glob
import json
import os
import re
import subprocess
import sys

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
PAIR = re.compile(r"^(BM_\w+?)_Ref(\w+)$")


def run(program, name_filter, repetitions):
    cmd = [program, "--benchmark_format=json"]
    if name_filter:
        cmd.append("--benchmark_filter=" + name_filter)
    if repetitions > 1:
        cmd += ["--benchmark_repetitions=%d" % repetitions, "--benchmark_report_aggregates_only=true"]
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    times = {}
    for b in json.loads(out).get("benchmarks", []):
        if b.get("error_occurred"):
            continue
        if repetitions > 1 and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        times[name] = b["real_time"] * UNIT_NS[b.get("time_unit", "ns")]
    return times


def split(name):
    """'BM_Op_RefX/5/real_time' -> ('BM_Op_RefX', '/5/real_time')."""
    head, sep, tail = name.partition("/")
    return head, sep + tail


def pairs(times):
    ours, refs = {}, {}
    for name, t in times.items():
        head, args = split(name)
        m = PAIR.match(head)
        if m:
            refs.setdefault(m.group(1), []).append((m.group(2), args, t))
        else:
            ours.setdefault(head, []).append((args, t))
    rows = []
    for op, runs in sorted(ours.items()):
        for what, rargs, rt in refs.get(op, []):
            for args, t in runs:
                if rargs == args or rargs in ("", "/real_time"):
                    rows.append((op + args, "Ref" + what, t, rt))
    unpaired = sorted(op for op in refs if op not in ours)
    return rows, unpaired


def fmt(ns):
    for unit, f in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= f:
            return "%.3g %s" % (ns / f, unit)
    return "%.3g ns" % ns


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default="build-bench")
    ap.add_argument("--filter", default="")
    ap.add_argument("--repetitions", type=int, default=1)
    ap.add_argument("programs", nargs="*")
    a = ap.parse_args()
    programs = a.programs or sorted(glob.glob(os.path.join(a.build, "bin", "bench_*")))
    if not programs:
        sys.exit("no benchmark programs found under %s/bin (build with -DPIXOLAN_BUILD_BENCH=ON)" % a.build)
    print("| program | benchmark | reference | ours | reference time | ours/reference |")
    print("| --- | --- | --- | ---: | ---: | ---: |")
    for p in programs:
        rows, unpaired = pairs(run(p, a.filter, a.repetitions))
        for name, ref, t, rt in rows:
            print("| %s | %s | %s | %s | %s | %.2f |" % (os.path.basename(p), name, ref, fmt(t), fmt(rt), t / rt))
        for op in unpaired:
            print("| %s | %s | (no run of the operation) | | | |" % (os.path.basename(p), op), file=sys.stderr)


if __name__ == "__main__":
    main()
