#!/usr/bin/env python3
"""Writes draws.csv: a SYNTHETIC archive of 1,500 draws for the demo data folder.

The numbers are uniformly random (seeded, so the file is reproducible), the draws are numbered
from 1 and dated every 3 or 4 days. Nothing here comes from a real lottery.
Format: the draws CSV import format, number;"yyyy-mm-dd";n1;n2;n3;n4;n5 with CR LF line ends.
"""
import datetime
import pathlib
import random

DRAWS = 1500
SEED = 5045


def main() -> None:
    rng = random.Random(SEED)
    date = datetime.date(2012, 1, 4)
    lines = []
    for number in range(1, DRAWS + 1):
        nums = rng.sample(range(1, 46), 5)  # drawn order, not sorted
        lines.append(f'{number};"{date.isoformat()}";' + ";".join(map(str, nums)))
        date += datetime.timedelta(days=3 if number % 2 else 4)
    out = pathlib.Path(__file__).with_name("draws.csv")
    out.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1251"))


if __name__ == "__main__":
    main()
