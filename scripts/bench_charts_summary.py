#!/usr/bin/env python3
"""Summarises build/bench/bench_charts.json (with --benchmark_repetitions the medians are used):
the information rows, the slowest draw chart, the repeats and the sum distribution against the
figures they are held to (milliseconds of wall time)."""
import json
import statistics
import sys

path = sys.argv[1] if len(sys.argv) > 1 else "build/bench/bench_charts.json"
runs = {}
for r in json.load(open(path))["benchmarks"]:
    if r.get("run_type") == "aggregate":
        continue
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[r.get("time_unit", "ns")]
    runs.setdefault(r.get("run_name", r["name"]), []).append(r["real_time"] * scale)
ms = {name: statistics.median(times) for name, times in runs.items()}

charts = {n.split("/", 1)[1]: t for n, t in ms.items() if n.startswith("BM_DrawChart/")}
worst = max(charts, key=charts.get) if charts else None
rows = [
    ("information window, 2,000 draws", ms.get("BM_InfoWindow"), 50.0),
    (f"draw chart, 1,000 draws, worst of {len(charts)} ({worst})", charts.get(worst), 20.0),
    ("repeats 1,000 x 1,000", ms.get("BM_Repeats"), 50.0),
    ("sum distribution", ms.get("BM_SumDistribution"), 5.0),
]
failed = False
for title, value, limit in rows:
    if value is None:
        print(f"{title:55} missing")
        failed = True
        continue
    ok = value <= limit
    failed |= not ok
    print(f"{title:55} {value:9.3f} ms  (at most {limit:g} ms) {'ok' if ok else 'OVER'}")
if "BM_SumEnumeration" in ms:
    print(f"{'reference: the 1,221,759 sums enumerated':55} {ms['BM_SumEnumeration']:9.3f} ms")
sys.exit(1 if failed else 0)
