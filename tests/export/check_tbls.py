"""Checks tbls schema JSON files: valid against tbls' JSON schema, every table named once,
and every relation and foreign key naming tables and columns that exist. Usage: check_tbls.py SCHEMA FILE...
Prints one line per problem; exits 1 when there is any."""
import json
import sys

import jsonschema


def problems(document):
    tables = {t["name"]: {c["name"] for c in t["columns"]} for t in document["tables"]}
    # tbls keeps one table of a name: a second one would overwrite the first.
    if len(tables) != len(document["tables"]):
        names = [t["name"] for t in document["tables"]]
        yield f"tables named twice: {sorted({n for n in names if names.count(n) > 1})}"
    for r in document.get("relations", []):
        for table, columns in ((r["table"], r["columns"]), (r["parent_table"], r["parent_columns"])):
            if table not in tables:
                yield f"relation {r['def']}: no table {table}"
            elif not columns or not set(columns) <= tables[table]:
                yield f"relation {r['def']}: {table} lacks some of {columns}"
    for t in document["tables"]:
        for item in t.get("indexes", []) + t.get("constraints", []):
            if not set(item["columns"]) <= tables[t["name"]]:
                yield f"{t['name']}: {item['name']} names columns it does not have: {item['columns']}"


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        validator = jsonschema.Draft202012Validator(json.load(f))
    bad = 0
    for path in sys.argv[2:]:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        for error in validator.iter_errors(document):
            print(f"{path}: {error.json_path}: {error.message}")
            bad += 1
        for problem in problems(document):
            print(f"{path}: {problem}")
            bad += 1
    sys.exit(1 if bad else 0)


main()
