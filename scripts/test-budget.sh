#!/usr/bin/env bash
# Counts the lines of code (not blank, not only a comment) of every file under
# tests/ against those of what ships, src/ and packaging/, and fails when the
# tests outgrow half of it. Code is C and C++ (with the resource script), shell,
# CMake, Python and XML (with the installer source and the policy templates),
# each with its own comments; prose, pictures and other
# data are not code and are not counted.
set -euo pipefail
cd "$(dirname "$0")/.."

# The language of a file, from its name or its first line; nothing for data.
language() {
    case "$1" in
        *.c | *.cpp | *.h | *.rc) echo c ;;
        *.sh | *.py | *.cmake | */CMakeLists.txt) echo hash ;;
        *.wxs | *.xml | *.admx | *.adml | *.manifest | *.manifest.in) echo xml ;;
        *) head -n1 "$1" | grep -q '^#!.*\(sh\|python\)' && echo hash || true ;;
    esac
}

# The counted lines of the files named on standard input, one a line.
count() {
    local file total=0
    while IFS= read -r file; do
        case "$(language "$file")" in
            c) total=$((total + $(awk '
                inblock { if (sub(/.*\*\//, "")) inblock = 0; else next }
                { while (sub(/\/\*.*\*\//, "")) {} }
                sub(/\/\*.*/, "") { inblock = 1 }
                /^[ \t]*(\/\/.*)?$/ { next }
                { n++ }
                END { print n + 0 }' "$file"))) ;;
            hash) total=$((total + $(awk '
                inblock { if (sub(/.*\]\]/, "")) inblock = 0; else next }
                sub(/^[ \t]*#\[\[.*/, "") { inblock = 1; next }
                /^[ \t]*(#.*)?$/ { next }
                { n++ }
                END { print n + 0 }' "$file"))) ;;
            xml) total=$((total + $(awk '
                inblock { if (sub(/.*-->/, "")) inblock = 0; else next }
                { while (sub(/<!--.*-->/, "")) {} }
                sub(/<!--.*/, "") { inblock = 1 }
                /^[ \t]*$/ { next }
                { n++ }
                END { print n + 0 }' "$file"))) ;;
        esac
    done
    echo "$total"
}

product=$(find src packaging -type f | LC_ALL=C sort | count)
tests=$(find tests -type f | LC_ALL=C sort | count)
ratio=$(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.2f", p ? t / p : 0 }')
if [ $((tests * 2)) -le "$product" ]; then
    echo "test budget: tests $tests lines against src and packaging $product: $ratio (limit 0.50)"
else
    echo "test budget: tests $tests lines against src and packaging $product: $ratio," \
        "over the limit of 0.50 by $((tests - product / 2)) lines" >&2
    exit 1
fi
