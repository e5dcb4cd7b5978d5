#!/usr/bin/env bash
# soak.sh: leaves the real zapwick.exe running against a simulated browser
# that opens at least SOAK_RATE (5) pop-ups a second, for SOAK_SECONDS (1800)
# (`make soak`; not part of `make test` or CI). Reports whether every pop-up
# was asked to close and whether Zapwick's memory and handles stayed put, then
# ends Zapwick through Exit and reports its exit code. Like the bench, it
# reports targets and fails only when a measurement could not be taken.
# SOAK_WRITE=1 also puts the table into BENCHMARKS.md.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
source "$here/../bench/report.sh"

zw_on_desktop "$0" "$@"

chosen=$(env | grep -E '^SOAK_[A-Z_]+=' | sort | tr '\n' ' ' || true)
bin="$ZW_BUILD_DIR/bin"
: "${SOAK_SECONDS:=1800}"
: "${SOAK_RATE:=5}"
log="$ZW_BUILD_DIR/soak.log"
for exe in zapwick.exe simbrowser.exe processprobe.exe; do
    [ -f "$bin/$exe" ] || { echo "soak.sh: $bin/$exe is missing; build first" >&2; exit 1; }
done
if [ "$SOAK_SECONDS" -lt 10 ]; then
    echo "soak.sh: SOAK_SECONDS must be at least 10" >&2
    exit 2
fi

probe() { wine "$bin/processprobe.exe" "$@" | tr -d '\r'; }

zapwick_pid=
trap 'zw_stop "$zapwick_pid"' EXIT

# snapshot WINDOWS_PID: "rss_kib handles handle_count gdi user windows" of
# Zapwick now; a counter that Wine does not keep comes out as "-".
snapshot() {
    local counts
    counts=$(probe counts "$1") || return 1
    value() {
        sed -n "s/^$1 0 (last error [1-9][0-9]*)$/-/p; s/^$1 \([0-9]*\)\( (last error 0)\)\{0,1\}$/\1/p" \
            <<<"$counts"
    }
    echo "$(zw_status_kb "$zapwick_pid" VmRSS) $(value handles_in_system_list)" \
        "$(value handle_count) $(value gdi_objects) $(value user_objects) $(value windows)"
}

# The browser opens its pop-ups between 0.25 s into its run and 2 s before its
# end; enough of them for the rate over that span.
open_seconds=$(awk -v s="$SOAK_SECONDS" 'BEGIN { print s - 2.25 }')
popups=$(awk -v s="$open_seconds" -v r="$SOAK_RATE" 'BEGIN { n = s * r; print (n == int(n)) ? n : int(n) + 1 }')
started=$(date -u '+%Y-%m-%d %H:%M UTC')
machine=$(zw_machine)

wine "$bin/zapwick.exe" &
zapwick_pid=$!
windows_pid=$(probe wait "Hello World!" | sed -n 's/^pid //p')
[ -n "$windows_pid" ] || { echo "soak.sh: Zapwick did not come up" >&2; exit 1; }
# Its tray icon is added while the frame is created; give start-up time to
# finish so that the first snapshot is of the resident program.
sleep 2
read -r rss0 handles0 count0 gdi0 user0 windows0 < <(snapshot "$windows_pid")

echo "soak: $popups pop-ups over $SOAK_SECONDS s; the simulated browser's report goes to $log" >&2
browser_status=0
wine "$bin/simbrowser.exe" --seconds "$SOAK_SECONDS" --popups "$popups" |
    tr -d '\r' >"$log" || browser_status=$?

read -r rss1 handles1 count1 gdi1 user1 windows1 < <(snapshot "$windows_pid")
hwm=$(zw_status_kb "$zapwick_pid" VmHWM)
probe command TrayIconHandler 32771 >>"$log" || kill "$zapwick_pid" 2>/dev/null || true
zapwick_status=0
wait "$zapwick_pid" || zapwick_status=$?
zapwick_pid=

read -r opened asked < <(sed -n \
    's/^summary: \([0-9]*\) pop-ups opened, \([0-9]*\) asked to close.*/\1 \2/p' "$log")
read -r median max < <(sed -n \
    's/^latency: min [0-9]* ms, median \([0-9]*\) ms, max \([0-9]*\) ms.*/\1 \2/p' "$log")
touched=$(sed -n 's/^normal frames: [0-9]* opened, \([0-9]*\) touched.*/\1/p' "$log")
# From the browser's line for each pop-up: the 99th percentile, and how many
# waited longer than the 520 ms that the bench's target allows.
read -r p99 late < <(sed -n 's/^pop-up [0-9]* asked to close after \([0-9]*\) ms$/\1/p' "$log" |
    sort -n | awk '{ v[NR] = $1; if ($1 > 520) late++ }
        END { i = int(NR * 0.99 + 0.999); if (i < 1) i = 1; print (NR ? v[i] : "?"), late + 0 }')
grep -F '!!!' "$log" | head -5 >&2 || true

# growth START END: "+1.23%" for a counter kept at both ends, else "n/a".
growth() {
    [ "$1" = - ] || [ "$2" = - ] || [ -z "$1" ] || [ "$1" = 0 ] && { echo n/a; return; }
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.2f%%\n", (b - a) * 100 / a }'
}
growth_target() {
    local g
    g=$(growth "$1" "$2")
    [ "$g" = n/a ] && echo "< 2%" || echo "< 2% ($(awk -v g="${g%\%}" 'BEGIN { print (g < 2) ? "met" : "missed" }'))"
}
unkept="not kept by Wine"

zw_row "Figure" "Start" "End" "Growth" "Target"
if [ -z "${opened:-}" ]; then
    zw_row "pop-ups asked to close" "n/a (simbrowser exit $browser_status)"
else
    zw_row "pop-ups asked to close" "" "$asked of $opened" "" "every one ($([ "$asked" = "$opened" ] && echo met || echo missed))"
    zw_row "pop-ups a second, over the opening span" "" "$(awk -v n="$opened" -v s="$open_seconds" 'BEGIN { printf "%.2f\n", n / s }')" "" ">= $SOAK_RATE"
    zw_row "close latency, median / 99th percentile / max" "" "${median:-?} / $p99 / ${max:-?} ms"
    zw_row "close latencies over 520 ms" "" "$late of $asked"
    zw_row "normal frames touched" "" "$touched" "" "0"
fi
zw_row "RSS (VmRSS)" "$rss0 KiB" "$rss1 KiB" "$(growth "$rss0" "$rss1")" "$(growth_target "$rss0" "$rss1")"
zw_row "peak RSS (VmHWM)" "" "$hwm KiB"
zw_row "handles (system handle list)" "$handles0" "$handles1" "$(growth "$handles0" "$handles1")" \
    "$(growth_target "$handles0" "$handles1")"
# Wine answers GetProcessHandleCount with 0 for a process that has handles.
[ "$count0" = 0 ] && [ "${handles0:-0}" != 0 ] && count0="0 ($unkept)" count1="0 ($unkept)"
zw_row "GetProcessHandleCount" "$count0" "$count1"
zw_row "GDI objects (GetGuiResources)" "${gdi0/#-/$unkept}" "${gdi1/#-/$unkept}" "$(growth "$gdi0" "$gdi1")"
zw_row "USER objects (GetGuiResources)" "${user0/#-/$unkept}" "${user1/#-/$unkept}" "$(growth "$user0" "$user1")"
zw_row "windows of the process" "$windows0" "$windows1" "$(growth "$windows0" "$windows1")" \
    "$(growth_target "$windows0" "$windows1")"
zw_row "exit code after Exit" "" "$zapwick_status" "" "0"

echo
zw_print_table
if [ "${SOAK_WRITE:-0}" = 1 ]; then
    command="${chosen}make soak BUILD=$(basename "$ZW_BUILD_DIR")"
    zw_replace_block "$here/../BENCHMARKS.md" soak "$(printf '%s\n' \
        "Measured $started with \`$command\` on:" "" "$machine" "" "$(zw_markdown_table)")"
    echo "soak.sh: figures written to BENCHMARKS.md" >&2
fi
[ -n "${opened:-}" ] && [ -n "$rss1" ] && [ -n "$handles1" ]
