#!/usr/bin/env bash
# run.sh: starts Zapwick and a simulated browser beside it for a short demo
# (`make run`). On a private display Zapwick is then ended through its Exit
# path; on the user's own display ($DISPLAY) it stays resident until the user
# ends it from the tray icon's menu. Either way its exit code is printed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
: "${ZW_DEMO_SECONDS:=15}"

if [ -z "${ZW_ON_DESKTOP:-}" ] && [ -n "${DISPLAY:-}" ]; then export ZW_USE_DISPLAY=1; fi
zw_on_desktop "$0" "$@"

bin="$ZW_BUILD_DIR/bin"
for exe in zapwick.exe simbrowser.exe; do
    [ -f "$bin/$exe" ] || { echo "run.sh: $bin/$exe is missing; build first" >&2; exit 1; }
done

zapwick_pid=
trap 'zw_stop "$zapwick_pid"' EXIT

# Ends Zapwick the way its user would (Exit), not by killing it.
end_zapwick() {
    wine "$bin/simbrowser.exe" --seconds 0 --quiet --exit-zapwick >/dev/null || true
}

wine "$bin/zapwick.exe" &
zapwick_pid=$!
interrupted=0
trap 'interrupted=1; end_zapwick' INT

demo_failed=0
demo=(wine "$bin/simbrowser.exe" --wait-for-zapwick --seconds "$ZW_DEMO_SECONDS")
if [ -n "${ZW_PRIVATE_DISPLAY:-}" ]; then
    echo "Zapwick is running; a simulated browser opens pop-ups for $ZW_DEMO_SECONDS s."
    "${demo[@]}" --exit-zapwick || demo_failed=1
    # Exit was asked for; a Zapwick that does not honour it is not waited on forever.
    for _ in $(seq 100); do
        kill -0 "$zapwick_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$zapwick_pid" 2>/dev/null; then
        echo "run.sh: Zapwick did not exit within 10 s of being asked; killing it"
        kill "$zapwick_pid" 2>/dev/null || true
    fi
else
    echo "Zapwick is running on $DISPLAY; a simulated browser opens pop-ups for $ZW_DEMO_SECONDS s."
    "${demo[@]}" || demo_failed=1
    if [ "$interrupted" = 0 ]; then
        echo "Zapwick stays in the notification area. To end it, right-click its tray icon and"
        echo "choose Exit (or press Ctrl+C here, which does the same)."
    fi
fi
# A demo cut short by Ctrl+C has not failed.
[ "$interrupted" = 0 ] || demo_failed=0

# A trapped signal makes `wait` return early while Zapwick still runs; the
# next `wait` then collects its real exit code.
while :; do
    interrupted=0
    status=0
    wait "$zapwick_pid" || status=$?
    [ "$interrupted" = 1 ] || break
done
zapwick_pid=
echo "Zapwick exited with code $status"
[ "$demo_failed" = 0 ] || echo "run.sh: the simulated browser reported a failure (see above)"
[ "$status" = 0 ] && exit "$demo_failed"
exit "$status"
