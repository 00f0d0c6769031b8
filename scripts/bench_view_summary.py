#!/usr/bin/env python3
"""Summarises build/bench/bench_view.json (several runs may be given; with --benchmark_repetitions
the medians are used): the slowest statistics table against its figure, and the parallel build of
the full-set files against the straightforward builder on the same entries."""
import json
import statistics
import sys

paths = sys.argv[1:] or ["build/bench/bench_view.json"]
real = {}
for path in paths:
    for r in json.load(open(path))["benchmarks"]:
        if r.get("run_type") == "aggregate":
            continue
        name = r.get("run_name", r["name"]).replace("/iterations:1", "").replace("/real_time", "")
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[r.get("time_unit", "ns")]
        real.setdefault(name, []).append(r["real_time"] * scale)

med = lambda n: statistics.median(real[n]) if n in real else None
failures = 0


def check(label, value, limit, unit, at_least=False):
    global failures
    ok = value is not None and (value >= limit if at_least else value <= limit)
    failures += not ok
    shown = "missing" if value is None else f"{value:.3f} {unit}"
    bound = "at least" if at_least else "at most"
    print(f"{'ok  ' if ok else 'FAIL'} {label:45} {shown:>14}  ({bound} {limit} {unit})")


tables = sorted((med(n), n) for n in real if n.startswith("BM_StatTable/"))
if tables:
    print("slowest tables over a 1000-draw window (ms):")
    for t, n in tables[-10:]:
        print(f"  {n:38} {t:9.3f}")
    print()
    check(f"slowest table ({tables[-1][1].split('/', 1)[1]})", tables[-1][0], 20, "ms")
check("BuildAllCaches (all files)", med("BM_BuildAllCaches"), 2000, "ms")
fast, ref = med("BM_BuildCachesSubset"), med("BM_BuildAllCachesReference")
check("reference / fast on the same entries", ref / fast if fast and ref else None, 20, "x", at_least=True)
sys.exit(1 if failures else 0)
