# Sourced by the scripts that run Windows programs: one private 32-bit Wine
# prefix inside the build tree, quiet but for DLL load failures, and no Mono or
# Gecko installers.
: "${ZW_BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEPREFIX="${WINEPREFIX:-$ZW_BUILD_DIR/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# Creates the prefix once. wineboot returns before the registry is on disk,
# hence the waits; a second wineboot racing the first would break the prefix.
zw_ensure_prefix() {
    [ -f "$WINEPREFIX/.zapwick-ready" ] && return 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot --init >/dev/null 2>&1
    wineserver -w
    # Wine does not look in fonts-wine's folder by itself; without these,
    # "MS Sans Serif" falls back to a Linux font and dialogs grow wider.
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # A crashing program must exit (code 5) instead of waiting in winedbg's dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.zapwick-ready"
}

# Sets whether the window manager manages Wine's windows (Y or N), writing the
# registry only when the setting changes.
zw_set_managed() {
    local marker="$WINEPREFIX/.managed"
    [ "$(cat "$marker" 2>/dev/null)" = "$1" ] && return 0
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$1" /f >/dev/null 2>&1
    wineserver -w
    echo "$1" >"$marker"
}

# Runs the calling script again on the desktop of with-desktop.sh, unless it
# is already there. Call as: zw_on_desktop "$0" "$@"
zw_on_desktop() {
    [ -n "${ZW_ON_DESKTOP:-}" ] && return 0
    exec bash "$(dirname "${BASH_SOURCE[0]}")/with-desktop.sh" bash "$@"
}

# Ends the Windows program with this Linux process id if it still runs; for
# a script's EXIT trap, so that no program outlives the script.
zw_stop() {
    if [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; then
        kill "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
    fi
}
