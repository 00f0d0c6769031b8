#!/usr/bin/env python3
"""Summarises build/bench/bench_list.json (several runs may be given; with --benchmark_repetitions
the medians are used): the list operations against the figures they are held to, and the ratio of
the whole keep/remove operation to its filter kernel measured in the same run."""
import json
import statistics
import sys

paths = sys.argv[1:] or ["build/bench/bench_list.json"]
real, cpu, counters = {}, {}, {}
for path in paths:
    for r in json.load(open(path))["benchmarks"]:
        if r.get("run_type") == "aggregate":
            continue
        name = r.get("run_name", r["name"])
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[r.get("time_unit", "ns")]
        real.setdefault(name, []).append(r["real_time"] * scale)
        cpu.setdefault(name, []).append(r["cpu_time"] * scale)
        counters[name] = r

med = lambda d, n: statistics.median(d[n]) if n in d else None
failures = 0


def check(label, value, limit, unit):
    global failures
    ok = value is not None and value <= limit
    failures += not ok
    shown = "missing" if value is None else f"{value:.3f} {unit}"
    print(f"{'ok  ' if ok else 'FAIL'} {label:45} {shown:>14}  (at most {limit} {unit})")


print("median times in ms (cpu / real); the figures are checked against the real (wall-clock) time")
for name in sorted(real):
    print(f"  {name:38} {med(cpu, name):9.3f} / {med(real, name):9.3f}")
print()
check("GenerateList mode 0", med(real, "BM_Generate/0"), 2, "ms")
for mode in (1, 2, 3):
    check(f"GenerateList mode {mode}", med(real, f"BM_Generate/{mode}"), 10, "ms")
for name in sorted(n for n in real if n.startswith("BM_FilterByValues/")):
    code = name.split("/", 1)[1]
    kernel = med(real, f"BM_FilterKernel/{code}")
    check(f"FilterByValues/{code} over its kernel", med(real, name) / kernel if kernel else None, 1.5, "x")
check("RemoveLatestDraws(1000)", med(real, "BM_RemoveLatestDraws/1000"), 15, "ms")
mem = counters.get("BM_ListMemory", {}).get("storage_MB")
check("list + undo + snapshot storage", mem, round(3 * 6.2, 1), "MB")
sys.exit(1 if failures else 0)
