#!/usr/bin/python3
"""Writes the dBASE III table of the demo database, CATEGORY.DBF with its memo file
CATEGORY.DBT, into the folder given as the only argument. python3-dbf is the writer.

python3-dbf stamps the table with today's date when it writes the header; afterwards the
date (header bytes 1 to 3: years since 1900, month, day) is set to the demo's fixed date,
15 January 2026, so that every run writes the same bytes.

Run with Debian's /usr/bin/python3, which has python3-dbf."""

import datetime
import os
import sys

import dbf

DEMO_DATE = bytes([2026 - 1900, 1, 15])

FIELDS = "CODE C(4); NAME C(24); MARGIN N(5,2); ACTIVE L; SINCE D; NOTE M"

ROWS = [
    ("FAST", "Fasteners", 32.5, True, datetime.date(1998, 3, 12), "Bolts, nuts and screws."),
    ("TOOL", "Hand tools", 41.0, True, datetime.date(2003, 7, 1), ""),
    ("SAFE", "Safety equipment", 27.25, False, datetime.date(2011, 11, 30), "Range closed in 2025."),
]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_dbase3_demo.py <output folder>")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    path = os.path.join(out, "CATEGORY.DBF")
    for stale in ("CATEGORY.DBF", "CATEGORY.DBT"):
        if os.path.exists(os.path.join(out, stale)):
            os.remove(os.path.join(out, stale))
    # No language driver: dBASE III tables do not record one.
    table = dbf.Table(path, FIELDS, dbf_type="db3", codepage="ascii")
    table.open(dbf.READ_WRITE)
    for row in ROWS:
        table.append(row)
    table.close()
    with open(path, "r+b") as f:
        f.seek(1)
        f.write(DEMO_DATE)


if __name__ == "__main__":
    main()
