#!/bin/sh
# Formats the tree's C++ sources with .clang-format (Debian's clang-format 14).
#   sh tools/format.sh          formats every source in place
#   sh tools/format.sh --check  changes nothing; lists each file that is not
#                               formatted and fails if there is one
# Build folders (build*/) and generated files are left alone.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=${CLANG_FORMAT:-clang-format}
sources=$(find app bench core macros run rx session tests tx ui -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

if [ "${1:-}" = "--check" ]; then
    unformatted=0
    for file in $sources; do
        if ! "$format" --dry-run --Werror "$file" >/dev/null 2>&1; then
            echo "not formatted: $file"
            unformatted=$((unformatted + 1))
        fi
    done
    if [ "$unformatted" -gt 0 ]; then
        echo "$unformatted file(s) not formatted; run sh tools/format.sh"
        exit 1
    fi
    echo "all sources formatted"
else
    # shellcheck disable=SC2086 # one argument per file
    "$format" -i $sources
fi
