#!/usr/bin/env python3
"""Summarises build/bench/bench_filters.json: per statistic the fast and reference times of the
filter pass and of the full-set counting, their ratios, and the figures the kernels are held to."""
import json
import math
import statistics
import sys

path = sys.argv[1] if len(sys.argv) > 1 else "build/bench/bench_filters.json"
rows = json.load(open(path))["benchmarks"]
ns = {}
for r in rows:
    if r.get("run_type") == "aggregate" and r.get("aggregate_name") != "median":
        continue
    ns[r["run_name"] if "run_name" in r else r["name"]] = r["ns_per_comb"]

copy = ns.get("BM_CopyFullSet")
codes = [n.split("/", 1)[1] for n in ns if n.startswith("BM_Filter/")]
filter_ratios, count_ratios, fast_ns, speedups = [], [], [], []
print(f"{'code':10} {'filter ns':>9} {'ref ns':>8} {'x':>6} {'2 thr x':>7} {'count ns':>9} {'ref ns':>8} {'x':>7}")
for code in codes:
    f, ref = ns[f"BM_Filter/{code}"], ns[f"BM_FilterReference/{code}"]
    par = ns.get(f"BM_FilterParallel/{code}") or ns.get(f"BM_FilterParallel/{code}/real_time")
    fast_ns.append(f)
    filter_ratios.append(ref / f)
    line = f"{code:10} {f:9.2f} {ref:8.2f} {ref / f:6.1f} {f / par if par else 0:7.2f}"
    if par:
        speedups.append((f, f / par))
    c, cref = ns.get(f"BM_FullSetCounts/{code}"), ns.get(f"BM_FullSetCountsReference/{code}")
    if c:
        count_ratios.append(cref / c)
        line += f" {c:9.2f} {cref:8.2f} {cref / c:7.1f}"
    print(line)

print()
print(f"filter: median {statistics.median(fast_ns):.2f} ns/comb, min ratio {min(filter_ratios):.1f}x, "
      f"geometric mean {math.exp(sum(map(math.log, filter_ratios)) / len(filter_ratios)):.1f}x")
if copy:
    for code in ("EVEN", "SUMS", "POS1"):
        if f"BM_Filter/{code}" in ns:
            print(f"{code}: {ns[f'BM_Filter/{code}'] / copy:.2f}x BM_CopyFullSet ({copy:.2f} ns/comb)")
if count_ratios:
    print(f"full-set counting: min ratio {min(count_ratios):.1f}x")
if speedups:
    speedups.sort()
    print(f"two threads, median statistic: {speedups[len(speedups) // 2][1]:.2f}x")
