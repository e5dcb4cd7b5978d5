#!/usr/bin/env bash
# run.sh: `make run`: Zapwick with a simulated browser beside it that opens
# pop-ups for ZW_DEMO_SECONDS (15). On a private display Zapwick is then ended
# through Exit; on the user's own display ($DISPLAY) it stays in the
# notification area until the user chooses Exit on its icon's menu, or presses
# Ctrl+C here, which does the same. Either way its exit code is printed.
set -euo pipefail
if [ -z "${ZW_ON_DESKTOP:-}" ] && [ -n "${DISPLAY:-}" ]; then export ZW_USE_DISPLAY=1; fi
source "$(dirname "$0")/../bench/report.sh" "$0" "$@"
: "${ZW_DEMO_SECONDS:=15}"
zw_need zapwick.exe simbrowser.exe probe.exe

zw_launch zapwick
echo "Zapwick is running; a simulated browser opens pop-ups for $ZW_DEMO_SECONDS s."
interrupted=0
trap 'interrupted=1 woke=1; zw_probe end zapwick >/dev/null || true' INT
demo=0
wine "$bin/simbrowser.exe" --seconds "$ZW_DEMO_SECONDS" | tr -d '\r' || demo=$?
if [ -n "${ZW_PRIVATE_DISPLAY:-}" ]; then
    zw_probe end zapwick >/dev/null || kill "$ZW_PID" 2>/dev/null || true
elif [ "$interrupted" = 0 ]; then
    echo "Zapwick stays in the notification area: choose Exit on its icon's menu, or press Ctrl+C."
fi
# Ctrl+C makes `wait` return while Zapwick still runs; the next `wait`
# collects its real exit code.
while :; do
    woke=0 status=0
    wait "$ZW_PID" || status=$?
    [ "$woke" = 1 ] || break
done
ZW_PID=
echo "Zapwick exited with code $status"
# A demo cut short by Ctrl+C has not failed.
[ "$interrupted" = 1 ] || [ "$demo" = 0 ] || echo "run.sh: the simulated browser reported a failure (see above)"
[ "$status" = 0 ] && { [ "$interrupted" = 1 ] || exit "$demo"; }
exit "$status"
