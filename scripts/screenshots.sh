#!/usr/bin/env bash
# screenshots.sh: takes the pictures in docs/screenshots (`make screenshots`)
# from the real program on a private display: the status window, the tray
# menu and the About box. probe.exe makes Zapwick show each window the way its
# user would and says where it is; xwd captures the screen and netpbm cuts the
# window out and writes it as a PNG.
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

zw_launch zapwick
echo "Taking screenshots of $bin/zapwick.exe:"
for shot in status:status-dialog menu:tray-menu about:about-box; do
    view=${shot%%:*} name=${shot#*:}
    read -r x y w h < <(zw_probe show "$view") || { echo "screenshots.sh: no $view window" >&2; exit 1; }
    xwd -root -silent | xwdtopnm -quiet | pamcut -quiet -left "$x" -top "$y" -width "$w" -height "$h" |
        pnmtopng -quiet -compression 9 >"$work/$name.png"
    echo "  $name.png: ${w}x${h} at ($x,$y)"
    zw_probe hide "$view"
done
status=$(zw_finish zapwick)
[ "$status" = 0 ] || { echo "screenshots.sh: Zapwick exited with code $status" >&2; exit 1; }
cp "$work"/{status-dialog,tray-menu,about-box}.png "$zw_root/docs/screenshots/"
echo "Saved in docs/screenshots: status-dialog.png tray-menu.png about-box.png"
