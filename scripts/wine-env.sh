# Sourced by the scripts that run Windows programs. ZW_ARCH (win32 or win64)
# chooses the architecture; each has its own build tree, build/<arch>, and its
# own private Wine prefix inside it, quiet but for DLL load failures, and no
# Mono or Gecko installers. `wine` then means that architecture's loader.
zw_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${ZW_ARCH:=win32}"
: "${ZW_BUILD_DIR:=$zw_root/build/$ZW_ARCH}"
export ZW_ARCH ZW_BUILD_DIR
export WINEPREFIX="$ZW_BUILD_DIR/wineprefix"
export WINEARCH=$ZW_ARCH
case "$ZW_ARCH" in
    win32) export WINELOADER=/usr/lib/wine/wine ;;
    win64) export WINELOADER=/usr/lib/wine/wine64 ;;
    *) echo "wine-env.sh: ZW_ARCH must be win32 or win64, not '$ZW_ARCH'" >&2; return 1 ;;
esac
case ":$PATH:" in *":$zw_root/scripts/wine-bin:"*) ;; *) export PATH="$zw_root/scripts/wine-bin:$PATH" ;; esac
# Wine names Unix files in the character set of the locale: without UTF-8 it
# can make no file whose name is outside ASCII, and the tests make such
# folders. A host's C or POSIX locale (a bare Debian's) gets C.UTF-8, which
# every Debian has; Wine's code page stays 1252 either way.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    export LC_ALL= LC_CTYPE=C.UTF-8
fi
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Creates the prefix once. wineboot returns before the registry is on disk,
# hence the waits; a second wineboot racing the first would break the prefix.
zw_ensure_prefix() {
    [ -f "$WINEPREFIX/.zapwick-ready" ] && return 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    # A 64-bit prefix without the 32-bit loader complains about syswow64's
    # rundll32.exe; the prefix is fine all the same.
    wine wineboot --init >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] ||
        { echo "wine-env.sh: could not make the $ZW_ARCH Wine prefix $WINEPREFIX" >&2; return 1; }
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
    exec bash "$zw_root/scripts/with-desktop.sh" bash "$@"
}

# Ends the Windows program with this Linux process id if it still runs; for
# a script's EXIT trap, so that no program outlives the script.
zw_stop() {
    if [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; then
        kill "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
    fi
}
