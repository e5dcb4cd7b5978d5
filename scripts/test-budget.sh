#!/usr/bin/env bash
# Counts the lines of code (not blank, not only a comment) of the C and C++
# files in src/ and tests/, and fails when the tests outgrow half the product.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 |
        xargs -0 cat | awk '
            inblock { if (sub(/.*\*\//, "")) inblock = 0; else next }
            { while (sub(/\/\*.*\*\//, "")) {} }
            sub(/\/\*.*/, "") { inblock = 1 }
            /^[ \t]*(\/\/.*)?$/ { next }
            { n++ }
            END { print n + 0 }'
}
src=$(count src)
tests=$(count tests)
ratio=$(awk -v t="$tests" -v s="$src" 'BEGIN { printf "%.2f", s ? t / s : 0 }')
echo "src: $src lines, tests: $tests lines, ratio: $ratio (limit 0.50)"
[ $((tests * 2)) -le "$src" ]
