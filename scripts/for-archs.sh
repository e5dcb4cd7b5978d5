#!/usr/bin/env bash
# for-archs.sh all|one NAME COMMAND...: runs COMMAND with ZW_ARCH and
# ZW_BUILD_DIR set, for every architecture that this host can run (all), or
# for the first of them (one: the 32-bit build where it runs, since it is the
# one that runs on every Windows). NAME says in the first line what is being done.
# BUILD names the folder that holds the build trees (default: build).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/archs.sh"
mode=$1 name=$2
shift 2
zw_detect_archs
if [ ${#ZW_RUNNABLE[@]} -eq 0 ]; then
    echo "$name: no Windows program can run on this host: $ZW_SKIPPED." >&2
    echo "$name: install Wine (make setup) or use a host that runs 32- or 64-bit Wine." >&2
    exit 1
fi
archs=("${ZW_RUNNABLE[@]}")
[ "$mode" = one ] && archs=("${archs[0]}")
zw_say_archs "$name" "${archs[@]}"
build=${BUILD:-$(cd "$here/.." && pwd)/build}
failed=()
for arch in "${archs[@]}"; do
    [ "$mode" = all ] && echo "== $name: $arch"
    ZW_ARCH=$arch ZW_BUILD_DIR=$build/$arch "$@" || failed+=("$arch")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "$name: failed for ${failed[*]}" >&2
    exit 1
fi
