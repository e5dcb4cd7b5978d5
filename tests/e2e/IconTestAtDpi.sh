#!/usr/bin/env bash
# IconTestAtDpi.sh: runs the icon test of the build tree's e2e_tests.exe at
# 150 % and at 200 % (144 and 192 DPI), in a Wine prefix of its own (the build
# tree's wineprefix-dpi) with LogPixels set to each. Wine reads the DPI as its
# desktop and tray start, so each DPI gets a session of its own.
set -euo pipefail
source "$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-env.sh"
export WINEPREFIX="$ZW_BUILD_DIR/wineprefix-dpi"
zw_ensure_prefix
zw_set_managed N
out=$(mktemp)
trap 'rm -f "$out"' EXIT
failed=()
for dpi in 144 192; do
    for attempt in 1 2; do
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        wineserver -w
        # The desktop's services keep the standard handles of the first program.
        wine cmd /c exit </dev/null >/dev/null 2>&1
        status=0
        wine "$ZW_BUILD_DIR/bin/e2e_tests.exe" --gtest_filter='IconTest.*' >"$out" 2>&1 || status=$?
        cat "$out"
        wineserver -k || true
        wineserver -w
        # Once in CI the runner failed without printing a line: it ended before
        # its test began (a crash prints Wine's report), so Zapwick had not
        # run. That, and only that, is tried again.
        { [ $status -ne 0 ] && ! grep -q '^\[ RUN' "$out"; } || break
        echo "IconTestAtDpi.sh: attempt $attempt at $dpi DPI: the test did not begin (exit code $status)" >&2
    done
    [ "$status" -eq 0 ] || failed+=("$dpi DPI (exit code $status)")
done
[ ${#failed[@]} -eq 0 ] || { echo "IconTestAtDpi.sh: failed at ${failed[*]}" >&2; exit 1; }
