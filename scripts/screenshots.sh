#!/usr/bin/env bash
# screenshots.sh: takes the pictures in docs/screenshots (`make screenshots`)
# from the real program on a private display: the status window, the tray
# menu and the About box. A small Windows helper, tools/screenshots/shoot.c,
# built here and never part of the product, makes Zapwick show each window
# and says where it is; xwd captures the screen and netpbm cuts the window
# out and writes it as a PNG.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${ZW_BUILD_DIR:=$(cd "$here/.." && pwd)/build}"
source "$here/wine-env.sh"
root=$(cd "$here/.." && pwd)
out="$root/docs/screenshots"
work="$ZW_BUILD_DIR/screenshots"
shoot="$work/shoot.exe"

if [ -z "${ZW_ON_DESKTOP:-}" ]; then
    [ -f "$ZW_BUILD_DIR/bin/zapwick.exe" ] ||
        { echo "screenshots.sh: $ZW_BUILD_DIR/bin/zapwick.exe is missing; build first" >&2; exit 1; }
    # The capture tools: xwd (x11-apps) and netpbm, installed when missing.
    missing=()
    for p in x11-apps netpbm; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
        echo "screenshots.sh: installing ${missing[*]}"
        "${sudo[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
    mkdir -p "$work"
    src="$root/tools/screenshots/shoot.c"
    if [ ! -f "$shoot" ] || [ "$src" -nt "$shoot" ]; then
        i686-w64-mingw32-gcc-posix -std=c99 -Wall -Wextra -Werror -O2 -s -static \
            -o "$shoot" "$src"
    fi
    # Always a private display: the pictures must not depend on the user's desktop.
    unset ZW_USE_DISPLAY
    exec bash "$here/with-desktop.sh" bash "$0" "$@"
fi

zapwick_pid=
cleanup() {
    if [ -n "$zapwick_pid" ] && kill -0 "$zapwick_pid" 2>/dev/null; then
        wine "$shoot" exit >/dev/null 2>&1 || kill "$zapwick_pid" 2>/dev/null || true
        wait "$zapwick_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# shot NAME COMMAND: runs the helper's COMMAND, which shows a window and
# prints its rectangle, then saves that part of the screen as NAME.png.
shot() {
    local name=$1 cmd=$2 rect x y w h
    rect=$(wine "$shoot" "$cmd" | tr -d '\r')
    read -r x y w h <<<"$rect"
    [ -n "${h:-}" ] || { echo "screenshots.sh: no window for $cmd" >&2; return 1; }
    xwd -root -silent >"$work/screen.xwd"
    xwdtopnm -quiet "$work/screen.xwd" |
        pamcut -quiet -left "$x" -top "$y" -width "$w" -height "$h" |
        pnmtopng -quiet -compression 9 >"$work/$name.png"
    echo "  $name.png: ${w}x${h} at ($x,$y)"
}

wine "$ZW_BUILD_DIR/bin/zapwick.exe" &
zapwick_pid=$!
wine "$shoot" ready

echo "Taking screenshots of $ZW_BUILD_DIR/bin/zapwick.exe:"
shot status-dialog status-show
wine "$shoot" status-hide
shot tray-menu menu-show
wine "$shoot" menu-close
shot about-box about-show
wine "$shoot" about-close

# End Zapwick the way its user would, through its Exit command.
wine "$shoot" exit
status=0
wait "$zapwick_pid" || status=$?
zapwick_pid=
[ "$status" = 0 ] || { echo "screenshots.sh: Zapwick exited with code $status" >&2; exit 1; }

mkdir -p "$out"
for name in status-dialog tray-menu about-box; do
    cp "$work/$name.png" "$out/$name.png"
done
rm -f "$work/screen.xwd"
echo "Saved in ${out#"$root"/}: status-dialog.png tray-menu.png about-box.png"
