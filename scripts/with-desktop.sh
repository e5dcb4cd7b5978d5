#!/usr/bin/env bash
# with-desktop.sh COMMAND...: runs COMMAND on a desktop that Windows programs
# can use: an X display (a private Xvfb unless ZW_USE_DISPLAY=1 and $DISPLAY is
# set), the project's Wine prefix, and one persistent wineserver, so that each
# Windows program starts in a fraction of a second.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

if [ -z "${ZW_ON_DESKTOP:-}" ]; then
    export ZW_ON_DESKTOP=1
    if [ "${ZW_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
        export ZW_PRIVATE_DISPLAY=1
        exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
    fi
fi

zw_ensure_prefix
# Xvfb has no window manager. Windows that Wine lets a window manager manage
# then cost about two seconds each time they are hidden (Wine waits for a
# manager that never answers), Wine's own tray window included. On a private
# display nothing is managed; on a real one the window manager does its job.
zw_set_managed "$([ -n "${ZW_PRIVATE_DISPLAY:-}" ] && echo N || echo Y)"

# A server already running for this prefix (another run's) is simply used.
wineserver -p || true
# Wait for the server to be gone, so that the next run starts its own.
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null || true' EXIT
# The first program of a session starts Wine's services and desktop, which
# keep the standard handles they inherit: a test runner reading that program's
# output through a pipe would wait for them forever. Start them from here.
wine cmd /c exit >/dev/null 2>&1 </dev/null
"$@"
