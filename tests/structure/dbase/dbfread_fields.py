#!/usr/bin/python3
"""Prints, as one JSON object keyed by path, what python3-dbfread (an independent reader)
sees in each .DBF named on the command line: the field names, type letters, lengths and
decimal counts, or the error it raises. Run with Debian's /usr/bin/python3."""

import json
import sys

from dbfread import DBF


def describe(path):
    try:
        table = DBF(path, load=False, char_decode_errors="replace", ignore_missing_memofile=True)
        return {
            "ok": True,
            "fields": [{"name": f.name, "type": f.type, "length": f.length, "decimals": f.decimal_count}
                       for f in table.fields],
        }
    except Exception as e:  # any failure is an answer: the reader could not read it
        return {"ok": False, "error": "%s: %s" % (type(e).__name__, e)}


print(json.dumps({path: describe(path) for path in sys.argv[1:]}, ensure_ascii=False))
