#!/usr/bin/env bash
# screenshots.sh: takes the pictures in docs/screenshots (`make screenshots`)
# from the real program on a private display: the status window, the tray
# menu and the About box at 100 %, 150 % and 200 %, and the notification area
# with Zapwick's icon at 100 % and 200 %. Wine takes the scale from LogPixels
# when its desktop starts, so each scale gets a Wine session of its own.
# probe.exe makes Zapwick show each window the way its user would and says
# where it is; xwd captures the screen and netpbm cuts the window out and
# writes it as a PNG.
set -euo pipefail
if [ -z "${ZW_ON_DESKTOP:-}" ]; then
    # The capture tools: xwd (x11-apps) and netpbm, installed when missing.
    missing=()
    for p in x11-apps netpbm; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        sudo=$([ "$(id -u)" -eq 0 ] || echo sudo)
        echo "screenshots.sh: installing ${missing[*]}"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
    # Always a private display: the pictures must not depend on the user's desktop.
    unset ZW_USE_DISPLAY
fi
source "$(dirname "$0")/../bench/report.sh" "$0" "$@"
zw_need zapwick.exe probe.exe
work="$ZW_BUILD_DIR/screenshots"
mkdir -p "$work" "$zw_root/docs/screenshots"

set_dpi() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
# A new Wine session (server, desktop, tray) at DPI $1.
session_at() {
    set_dpi "$1"
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p
    # The desktop's services keep the standard handles of the first program.
    wine cmd /c exit </dev/null >/dev/null 2>&1
}
trap 'zw_stop "$ZW_PID"; set_dpi 96' EXIT

echo "Taking screenshots of $bin/zapwick.exe:"
taken=()
for scale in 100:96 150:144 200:192; do
    percent=${scale%%:*} dpi=${scale#*:}
    session_at "$dpi"
    zw_launch zapwick
    for shot in status:status-dialog menu:tray-menu about:about-box tray:tray; do
        view=${shot%%:*} name=${shot#*:}
        [ "$view" = tray ] && [ "$percent" = 150 ] && continue
        [ "$percent" = 100 ] && [ "$view" != tray ] || name+="-$percent"
        read -r x y w h < <(zw_probe show "$view") || { echo "screenshots.sh: no $view window" >&2; exit 1; }
        xwd -root -silent | xwdtopnm -quiet | pamcut -quiet -left "$x" -top "$y" -width "$w" -height "$h" |
            pnmtopng -quiet -compression 9 >"$work/$name.png"
        echo "  $name.png: ${w}x${h} at ($x,$y), $percent %"
        zw_probe hide "$view"
        taken+=("$name.png")
    done
    status=$(zw_finish zapwick)
    [ "$status" = 0 ] || { echo "screenshots.sh: Zapwick exited with code $status" >&2; exit 1; }
done
(cd "$work" && cp "${taken[@]}" "$zw_root/docs/screenshots/")
echo "Saved in docs/screenshots: ${taken[*]}"
