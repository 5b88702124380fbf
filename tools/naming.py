#!/usr/bin/python3
"""Checks and applies the naming rules of the code with clang-tidy's readability-identifier-naming.

  tools/naming.py check [--list FILE]   lists every name that breaks the rules; exits 1 if any
  tools/naming.py fix   [--list FILE]   renames them: each declaration and every use, in all files
  tools/naming.py config                writes .clang-tidy from STYLES, FINDING_CHECKS and the
                                        domain names

The rules (Qt's conventions): types and enum constants CamelCase; functions, methods, variables,
parameters and public data members camelCase; private and protected data members camelCase with
a trailing underscore; constants at namespace scope and static ones CamelCase, as most of the
code has them (a fix turns kLimit into Limit). The domain's own names in tools/naming-domain-names.txt keep
their spelling whatever their kind. Overrides (Qt's virtuals, GoogleTest's SetUp/TearDown),
`main` and names made by macros (TEST, TEST_F, Q_OBJECT) are never touched.

Both modes build the compilation database in build/naming (the Qt meta-object code is
generated there so that every file parses), plus build/naming-fuzz for the fuzz targets
that only the clang fuzz build compiles, and run clang-tidy over every source file of the
project with only the naming check (tools/tidy.sh runs the others that .clang-tidy turns on). A fix applies every rename once, deduplicated over the
files that share a header, then checks again; build and run the tests afterwards.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "naming")
FUZZ_BUILD = os.path.join(ROOT, "build", "naming-fuzz")
DATABASE = os.path.join(BUILD, "tidy")
DOMAIN_NAMES = os.path.join(ROOT, "tools", "naming-domain-names.txt")
CHECK = "readability-identifier-naming"

# (kind, case, suffix). A kind clang-tidy finds no entry for falls back to the more general
# one: methods to Function, locals and static members to Variable, structs to Class.
STYLES = [
    ("Namespace", "lower_case", ""),
    ("Class", "CamelCase", ""),
    ("Union", "CamelCase", ""),
    ("Enum", "CamelCase", ""),
    ("EnumConstant", "CamelCase", ""),
    ("TypeAlias", "CamelCase", ""),
    ("Typedef", "CamelCase", ""),
    ("TemplateParameter", "CamelCase", ""),
    ("Function", "camelBack", ""),
    ("Variable", "camelBack", ""),
    ("Parameter", "camelBack", ""),
    ("Member", "camelBack", ""),
    ("PrivateMember", "camelBack", "_"),
    ("ProtectedMember", "camelBack", "_"),
    # Constants at namespace scope, static constants of a class and static local constants:
    # CamelCase, as most of the code writes them. A kCamelCase one loses its k (see tidy()).
    ("GlobalConstant", "CamelCase", ""),
    ("ClassConstant", "CamelCase", ""),
    ("StaticConstant", "CamelCase", ""),
]

# The other checks .clang-tidy turns on, with the reason for each one left out. They find
# faults rather than style: constructs that are easily wrong (bugprone) and needless copies
# (performance). tools/tidy.sh runs them with the naming check; a finding that is right
# where it stands takes a NOLINT(check) with the reason beside it.
FINDING_CHECKS = [
    ("bugprone-*", None),
    ("-bugprone-easily-swappable-parameters",
     "Neighbouring parameters of one type are how this code speaks of positions and sizes "
     "(x1, y1, x2, y2; offset, length): every drawing and reading function would be flagged, "
     "and the cure, a type per coordinate, buys nothing the tests do not already catch."),
    ("performance-*", None),
]

HEADER = """\
# Written by tools/naming.py config from its STYLES, FINDING_CHECKS and
# tools/naming-domain-names.txt: edit those and run it again. tools/naming.py checks and
# fixes the names; tools/tidy.sh runs every check turned on here.
"""


def comment(text, width=92):
    """The text as comment lines of at most width characters."""
    lines, line = [], "#"
    for word in text.split():
        if len(line) + 1 + len(word) > width:
            lines.append(line)
            line = "#"
        line += " " + word
    return lines + [line]


def domain_names():
    with open(DOMAIN_NAMES, encoding="utf-8") as f:
        names = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    return "^(" + "|".join(names) + ")$"


def write_config():
    ignored = domain_names()
    lines = [HEADER]
    for glob, reason in FINDING_CHECKS:
        if reason:
            lines += comment("%s: %s" % (glob[1:], reason))
    lines += ["Checks: >-", "  -*,", "  %s," % CHECK]
    lines += ["  %s," % glob for glob, _ in FINDING_CHECKS[:-1]] + ["  %s" % FINDING_CHECKS[-1][0]]
    lines += [
             # The project's own files only: Qt's, GoogleTest's and generated code are not ours.
             "HeaderFilterRegex: '/(src|tests|fuzz|tools)/'",
             "FormatStyle: none",
             "CheckOptions:",
             "  - { key: %s.IgnoreMainLikeFunctions, value: true }" % CHECK]
    for kind, case, suffix in STYLES:
        lines.append("  - { key: %s.%sCase, value: %s }" % (CHECK, kind, case))
        if suffix:
            lines.append("  - { key: %s.%sSuffix, value: '%s' }" % (CHECK, kind, suffix))
        lines.append("  - { key: %s.%sIgnoredRegexp, value: '%s' }" % (CHECK, kind, ignored))
    with open(os.path.join(ROOT, ".clang-tidy"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def run(cmd, **kwargs):
    print("+ " + " ".join(cmd), file=sys.stderr)
    subprocess.run(cmd, check=True, **kwargs)


def configure():
    run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Unix Makefiles", "-DCMAKE_BUILD_TYPE=Debug",
         "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON", "-DKORVEX_BENCHMARKS=ON", "-DKORVEX_TESTS=ON"],
        stdout=subprocess.DEVNULL)
    # Only the meta-object code: the headers moc writes are all a file needs to parse.
    targets = subprocess.run(["cmake", "--build", BUILD, "--target", "help"], check=True,
                             capture_output=True, text=True).stdout
    autogen = [m.group(1) for m in re.finditer(r"^\.\.\. (\S+_autogen)$", targets, re.M)]
    if autogen:
        run(["cmake", "--build", BUILD, "-j", "2", "--target"] + autogen, stdout=subprocess.DEVNULL)
    entries = {}
    with open(os.path.join(BUILD, "compile_commands.json"), encoding="utf-8") as f:
        for e in json.load(f):
            entries.setdefault(e["file"], e)
    # The fuzz targets the normal build does not compile (it replays some of them as tests).
    if shutil.which("clang++"):
        run(["cmake", "-S", ROOT, "-B", FUZZ_BUILD, "-G", "Unix Makefiles",
             "-DCMAKE_CXX_COMPILER=clang++", "-DKORVEX_FUZZ=ON",
             "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"], stdout=subprocess.DEVNULL)
        with open(os.path.join(FUZZ_BUILD, "compile_commands.json"), encoding="utf-8") as f:
            for e in json.load(f):
                entries.setdefault(e["file"], e)
    else:
        print("naming: clang++ is missing, the fuzz-only targets are not checked", file=sys.stderr)
    build_dir = os.path.join(ROOT, "build") + os.sep
    ours = [e for path, e in sorted(entries.items())
            if path.startswith(ROOT + os.sep) and not path.startswith(build_dir)]
    os.makedirs(DATABASE, exist_ok=True)
    with open(os.path.join(DATABASE, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(ours, f, indent=1)
    return len(ours)


def line_of(path, offset, cache={}):
    if path not in cache:
        with open(path, "rb") as f:
            cache[path] = f.read()
    return cache[path].count(b"\n", 0, offset) + 1


def tidy(fix, jobs, files=()):
    """Runs the check over every file; returns the renames and whether every file parsed."""
    fixes_dir = os.path.join(BUILD, "fixes")
    shutil.rmtree(fixes_dir, ignore_errors=True)
    os.makedirs(fixes_dir)
    fixes = os.path.join(fixes_dir, "fixes.yaml")
    cmd = ["run-clang-tidy", "-p", DATABASE, "-j", str(jobs), "-checks=-*," + CHECK,
           "-quiet", "-export-fixes", fixes] + list(files)
    print("+ " + " ".join(cmd), file=sys.stderr)
    proc = subprocess.run(cmd, capture_output=True, text=True)
    with open(os.path.join(BUILD, "tidy.log"), "w", encoding="utf-8") as f:
        f.write(proc.stdout + proc.stderr)
    errors = [line for line in proc.stdout.splitlines() if re.search(r": (error|fatal error):", line)]
    for line in errors:
        print(line, file=sys.stderr)
    renames = {}
    if os.path.exists(fixes):
        import yaml  # python3-yaml; only needed once there is something to read
        with open(fixes, encoding="utf-8") as f:
            doc = yaml.safe_load(f) or {}
        for d in doc.get("Diagnostics") or []:
            if d.get("DiagnosticName") != CHECK:
                continue
            msg = d["DiagnosticMessage"]
            m = re.match(r"invalid case style for (.+) '(.+)'$", msg["Message"])
            if not m or not msg.get("FilePath"):
                continue
            kind, old = m.group(1), m.group(2)
            reps = msg.get("Replacements") or []
            new = reps[0]["ReplacementText"] if reps else "(no fix offered)"
            # CamelCase makes kLimit KLimit; the constant's name is Limit.
            if kind.endswith("constant") and re.match(r"^k[A-Z]", old) and new == "K" + old[1:]:
                new = old[1:]
                for r in reps:
                    r["ReplacementText"] = new
            path = msg["FilePath"]
            renames[(path, msg["FileOffset"])] = (os.path.relpath(path, ROOT),
                                                  line_of(path, msg["FileOffset"]), kind, old, new)
        if fix:
            with open(fixes, "w", encoding="utf-8") as f:
                yaml.safe_dump(doc, f, sort_keys=False)
            # Applies each replacement once, however many files reported it.
            run(["clang-apply-replacements", fixes_dir])
    return sorted(renames.values()), not errors and proc.returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["check", "fix", "config"])
    parser.add_argument("--list", help="also write the names found to this file")
    parser.add_argument("files", nargs="*", help="only the source files matching these regular expressions")
    parser.add_argument("-j", type=int, default=2, help="clang-tidy processes (default 2)")
    args = parser.parse_args()
    if args.mode == "config":
        write_config()
        return 0
    count = configure()
    print("naming: %d files" % count, file=sys.stderr)
    renames, parsed = tidy(args.mode == "fix", args.j, args.files)
    lines = ["%s:%d: %s '%s' -> '%s'" % r for r in renames]
    for line in lines:
        print(line)
    if args.list:
        with open(args.list, "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in lines))
    if not parsed:
        print("naming: some files did not parse (errors above); their names were not checked",
              file=sys.stderr)
        return 2
    if args.mode == "fix":
        print("naming: %d names renamed" % len(renames), file=sys.stderr)
        again, _ = tidy(False, args.j, args.files)
        if again:
            print("naming: %d names still break the rules:" % len(again), file=sys.stderr)
            for r in again:
                print("  %s:%d: %s '%s' -> '%s'" % r, file=sys.stderr)
            return 1
        return 0
    if renames:
        print("naming: %d names break the naming rules; `tools/naming.py fix` renames them"
              % len(renames), file=sys.stderr)
        return 1
    print("naming: every name follows the rules", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
