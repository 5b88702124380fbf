#!/bin/sh
# Checks that the lines a change touches follow .clang-format. The change is everything since
# the branch left main (origin/main, else main), plus what is not committed yet. A checkout
# with no main to compare with has nothing to check: it passes.
# To format the lines yourself: git clang-format <the base printed below>.
set -eu
cd "$(dirname "$0")/.."

if ! git rev-parse --git-dir >/dev/null 2>&1; then
  echo "format: not a git checkout, nothing to check"
  exit 0
fi
base=""
for ref in origin/main main; do
  if git rev-parse --verify -q "$ref^{commit}" >/dev/null; then
    base=$(git merge-base HEAD "$ref") && break
  fi
done
if [ -z "$base" ]; then
  echo "format: no main branch to compare with, nothing to check"
  exit 0
fi

out=$(git clang-format --diff --extensions cpp,h,hpp "$base" -- src tests fuzz tools 2>&1) || {
  echo "$out"
  echo "format: git clang-format failed" >&2
  exit 1
}
files=$(printf '%s\n' "$out" | sed -n 's|^+++ b/||p')
if [ -n "$files" ]; then
  printf '%s\n' "$out"
  echo "format: these files have changed lines that do not follow .clang-format:" >&2
  printf '  %s\n' $files >&2
  echo "format: run  git clang-format $base  to format them" >&2
  exit 1
fi
echo "format: the changed lines follow .clang-format"
