#!/usr/bin/env bash
# soak.sh: leaves the real zapwick.exe running against a simulated browser
# that opens at least SOAK_RATE (5) pop-ups a second, for SOAK_SECONDS (1800)
# (`make soak`; not part of `make test` or CI). Reports whether every pop-up
# was asked to close and how soon, and whether Zapwick's memory, handles and
# windows stayed put, then ends Zapwick through Exit and reports its exit code.
# Like the bench, it fails only when a measurement could not be taken.
# SOAK_WRITE=1 also puts the table into BENCHMARKS.md.
set -euo pipefail
source "$(dirname "$0")/../bench/report.sh" "$0" "$@"

: "${SOAK_SECONDS:=1800}"
: "${SOAK_RATE:=5}"
log="$ZW_BUILD_DIR/soak.log"
zw_need zapwick.exe simbrowser.exe probe.exe
[ "$SOAK_SECONDS" -ge 10 ] || { echo "soak.sh: SOAK_SECONDS must be at least 10" >&2; exit 2; }

# Zapwick's "rss_kib handles gdi_objects windows" now.
snapshot() {
    echo "$(zw_status_kb "$ZW_PID" VmRSS)" \
        "$(zw_probe counts zapwick | sed -n 's/^handles \(.*\) gdi \(.*\) windows /\1 \2 /p')"
}

# The browser opens its pop-ups between 0.25 s into its run and 2 s before its
# end; enough of them for the rate over that span.
open_seconds=$(awk -v s="$SOAK_SECONDS" 'BEGIN { print s - 2.25 }')
popups=$(awk -v s="$open_seconds" -v r="$SOAK_RATE" 'BEGIN { n = s * r; print (n == int(n)) ? n : int(n) + 1 }')

zw_launch zapwick
# Give start-up time to finish, so that the first snapshot is of the resident program.
sleep 2
read -r rss0 handles0 gdi0 windows0 < <(snapshot)
echo "soak: $popups pop-ups over $SOAK_SECONDS s on $ZW_ARCH; the simulated browser's report goes to $log" >&2
browser_status=0
zw_browse "$log" --seconds "$SOAK_SECONDS" --popups "$popups" || browser_status=$?
read -r rss1 handles1 gdi1 windows1 < <(snapshot)
hwm=$(zw_status_kb "$ZW_PID" VmHWM)
zapwick_status=$(zw_finish zapwick)
late=$(tr -d '\r' <"$log" | awk '/^pop-up [0-9]* asked to close after/ && $7 > 500 { n++ } END { print n + 0 }')

# growth START END: "+1.23%", with its verdict against the 2% target.
growth() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 == 0 || b == "") { print "n/a"; exit }
        g = (b - a) * 100 / a; printf "%+.2f%%\t< 2%% (%s)\n", g, g < 2 ? "met" : "missed" }'
}

zw_row "Figure ($ZW_ARCH)" "Start" "End" "Growth" "Target"
if [ "$opened" = - ]; then
    zw_row "pop-ups asked to close" "n/a (simbrowser exit $browser_status)"
else
    zw_row "pop-ups asked to close" "" "$asked of $opened" "" "every one ($([ "$asked" = "$opened" ] && echo met || echo missed))"
    zw_row "pop-ups a second, over the opening span" "" "$(awk -v n="$opened" -v s="$open_seconds" 'BEGIN { printf "%.2f\n", n / s }')" "" ">= $SOAK_RATE"
    zw_row "close latency, median / p95 / max" "" "$median / $p95 / $max ms" "" \
        "$(zw_at_most "<= 60" "$median" 60) / $(zw_at_most "<= 120" "$p95" 120) / $(zw_at_most "<= 500" "$max" 500)"
    zw_row "close latencies over 500 ms" "" "$late of $asked"
    zw_row "normal frames touched" "" "$touched" "" "0"
fi
zw_row "RSS (VmRSS)" "$rss0 KiB" "$rss1 KiB" "$(growth "$rss0" "$rss1")"
zw_row "peak RSS (VmHWM)" "" "$hwm KiB"
zw_row "handles (system handle list)" "$handles0" "$handles1" "$(growth "$handles0" "$handles1")"
zw_row "GDI objects (the process's handle table)" "$gdi0" "$gdi1" "$(growth "$gdi0" "$gdi1")"
zw_row "windows of the process" "$windows0" "$windows1" "$(growth "$windows0" "$windows1")"
zw_row "exit code after Exit" "" "$zapwick_status" "" "0"

echo
zw_table
[ "${SOAK_WRITE:-0}" != 1 ] || zw_write "soak-$ZW_ARCH" "make soak"
[ "$opened" != - ] && [ -n "$rss1" ] && [ -n "$handles1" ]
