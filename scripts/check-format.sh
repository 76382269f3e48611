#!/usr/bin/env bash
# Checks that every C++ file of the project is formatted as .clang-format says; names the files
# that are not, and fails. `clang-format -i FILE` (or `git clang-format` on a change) mends them.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}" 2>/dev/null; then
    echo "Not formatted as .clang-format says:" >&2
    for file in "${files[@]}"; do
        clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || echo "  $file" >&2
    done
    exit 1
fi
