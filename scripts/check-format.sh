#!/bin/sh
# Every C and C++ file of the tree formatted as .clang-format says: clang-format's dry run
# names each file it would change, and any such file fails the check.
set -eu
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format not installed (scripts/setup-deps.sh)"; exit 1; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files '*.c' '*.cpp' '*.h')
else
    files=$(find src sim tests -name '*.c' -o -name '*.cpp' -o -name '*.h')
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# shellcheck disable=SC2086
if clang-format --dry-run --Werror $files 2>"$log"; then
    echo "format: every file as .clang-format says"
else
    grep -o '^[^:]*\.\(c\|cpp\|h\):' "$log" | sort -u | sed 's/:$/: not formatted/'
    exit 1
fi
