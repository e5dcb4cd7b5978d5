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
failed=()
for dpi in 144 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    # The desktop's services keep the standard handles of the first program.
    wine cmd /c exit </dev/null >/dev/null 2>&1
    wine "$ZW_BUILD_DIR/bin/e2e_tests.exe" --gtest_filter='IconTest.*' || failed+=("$dpi")
    wineserver -k || true
    wineserver -w
done
[ ${#failed[@]} -eq 0 ] || { echo "IconTestAtDpi.sh: failed at ${failed[*]} DPI" >&2; exit 1; }
