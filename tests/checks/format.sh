#!/usr/bin/env bash
# Every C++ file of the project is formatted by the project's .clang-format.
#   format.sh <source folder> <clang-format>
set -uo pipefail
cd "$1" || exit 2
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t files < <(find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
"$2" --dry-run --Werror "${files[@]}"
