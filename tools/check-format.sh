#!/bin/sh
# Checks that every C++ file of the project follows .clang-format, whole files. In a git
# checkout the tracked files (and those added but not committed) are checked; elsewhere every
# .cpp and .h below src, tests, fuzz and tools.
# To format them yourself: clang-format -i FILE...
set -eu
cd "$(dirname "$0")/.."

if git rev-parse --git-dir >/dev/null 2>&1; then
  files=$(git ls-files --cached --others --exclude-standard -- \
    'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'fuzz/*.cpp' 'fuzz/*.h' 'tools/*.cpp' 'tools/*.h')
else
  files=$(find src tests fuzz tools -name '*.cpp' -o -name '*.h')
fi
bad=""
for f in $files; do
  [ -f "$f" ] || continue   # deleted but not yet committed
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    bad="$bad $f"
  fi
done
if [ -n "$bad" ]; then
  for f in $bad; do
    clang-format "$f" | diff -u --label "$f" --label "$f (formatted)" "$f" - || true
  done
  echo "format: these files do not follow .clang-format:" >&2
  printf '  %s\n' $bad >&2
  echo "format: run  clang-format -i FILE...  to format them" >&2
  exit 1
fi
echo "format: every C++ file follows .clang-format"
