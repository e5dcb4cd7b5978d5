#!/usr/bin/env bash
# reproducible.sh [COMMIT]: builds `make package` twice from two fresh clones of
# COMMIT (default HEAD; the working tree's uncommitted changes are not built),
# in folders of different names and depths, one after the other, under
# different time zones, locales and umasks, and compares the programs, the
# installer's DLLs, the ZIPs, the .msi files and SHA256SUMS byte for byte.
# Prints one line per file and fails if any differs. Both builds leave out the
# tests (-DBUILD_TESTING=OFF), which nothing that ships depends on. Scratch
# folders go to $TMPDIR and are removed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse "${1:-HEAD}")
work=$(mktemp -d "${TMPDIR:-/tmp}/zapwick-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "reproducible: building $commit twice in $work"

# build FOLDER TZ LOCALE UMASK
build() {
    git clone --quiet --no-local "$root" "$1"
    git -C "$1" checkout --quiet --detach "$commit"
    (
        cd "$1"
        umask "$4"
        export TZ=$2 LC_ALL=$3
        unset SOURCE_DATE_EPOCH
        make package CMAKE_FLAGS=-DBUILD_TESTING=OFF >"$1.log" 2>&1
    ) || { tail -n 30 "$1.log" >&2; echo "reproducible: the build in $1 failed" >&2; exit 1; }
}
started=$SECONDS
build "$work/a" UTC C 022
first=$((SECONDS - started))
build "$work/second/build-of-the-same-commit" Pacific/Auckland C.UTF-8 077
echo "reproducible: the builds took $first s and $((SECONDS - started - first)) s"

different=0
for path in build/win32/bin/zapwick.exe build/win64/bin/zapwick.exe \
    build/win32/bin/installeractions.dll build/win64/bin/installeractions.dll \
    $(cd "$work/a" && ls build/Zapwick-* build/SHA256SUMS); do
    if cmp -s "$work/a/$path" "$work/second/build-of-the-same-commit/$path"; then
        echo "identical  $(sha256sum <"$work/a/$path" | cut -c1-16)  $path"
    else
        echo "DIFFERENT                    $path"
        different=$((different + 1))
    fi
done
[ "$different" = 0 ] || { echo "reproducible: $different files differ" >&2; exit 1; }
echo "reproducible: every file is identical"
