#!/usr/bin/env bash
# bench.sh: measures the real zapwick.exe beside floor.exe, its polling-only
# counterpart, in the same run, and prints the figures as one table (`make
# bench`). Targets are reported beside the figures, never enforced: the script
# fails only when a measurement itself could not be taken.
#
# Each figure is a function figure_NAME that adds rows with `row`; list it in
# `figures` to have it run. BENCH_FIGURES="a b" runs a subset. BENCH_WRITE=1
# also puts the table, the machine and the command into BENCHMARKS.md.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
source "$here/../bench/report.sh"

zw_on_desktop "$0" "$@"

# What the caller chose, before the defaults fill in the rest: it is part of
# the command that BENCHMARKS.md records.
chosen=$(env | grep -E '^BENCH_[A-Z_]+=' | sort | tr '\n' ' ' || true)
bin="$ZW_BUILD_DIR/bin"
: "${BENCH_POPUPS:=60}"
: "${BENCH_SECONDS:=32}"
: "${BENCH_IDLE_SECONDS:=60}"
: "${BENCH_STARTS:=9}"
: "${BENCH_SCAN_PASSES:=200}"
objdump=i686-w64-mingw32-objdump
# Start-up work is not idle cost: the idle interval begins this long after
# the program's window appears.
idle_settle_seconds=2

figures=(close_latency idle startup scan_cost executable)
broken=0

# row FIGURE ZAPWICK [FLOOR] [RATIO] [TARGET]: one line of the table.
row() { zw_row "$1" "$2" "${3:-}" "${4:-}" "${5:-}"; }
row "Figure" "Zapwick" "Floor" "Ratio" "Target"

probe() { wine "$bin/processprobe.exe" "$@" | tr -d '\r'; }
end_zapwick() { probe command TrayIconHandler 32771; }
end_floor() { probe close "Zapwick floor"; }

# Pop-ups opened at random moments, none in step with Zapwick's scan timer, so
# the latencies sample its whole scan period. Ends Zapwick through Exit.
figure_close_latency() {
    local out zapwick_pid status=0 zapwick_status=0
    wine "$bin/zapwick.exe" &
    zapwick_pid=$!
    out=$(wine "$bin/simbrowser.exe" --wait-for-zapwick --exit-zapwick --quiet \
        --seconds "$BENCH_SECONDS" --popups "$BENCH_POPUPS" --normal 6 | tr -d '\r') || status=$?
    wait "$zapwick_pid" || zapwick_status=$?
    sed 's/^/    simbrowser: /' <<<"$out" >&2

    local opened asked min median max touched
    read -r opened asked _ < <(sed -n \
        's/^summary: \([0-9]*\) pop-ups opened, \([0-9]*\) asked to close, \([0-9]*\) never.*/\1 \2 \3/p' \
        <<<"$out")
    read -r min median max < <(sed -n \
        's/^latency: min \([0-9]*\) ms, median \([0-9]*\) ms, max \([0-9]*\) ms.*/\1 \2 \3/p' \
        <<<"$out")
    touched=$(sed -n 's/^normal frames: [0-9]* opened, \([0-9]*\) touched.*/\1/p' <<<"$out")
    if [ -z "${max:-}" ]; then
        row "close latency" "n/a (simbrowser exit $status)"
        broken=1
        return
    fi
    row "pop-ups asked to close" "$asked of $opened" "not run here" "" "all"
    row "close latency, median" "$median ms" "" "" "about 250 ms"
    row "close latency, max" "$max ms" "" "" "<= 520 ms ($(zw_at_most "$max" 520))"
    row "close latency, min" "$min ms"
    row "normal frames touched" "$touched" "" "" "0"
    row "exit code after Exit" "$zapwick_status" "" "" "0"
}

# idle_run EXE TITLE END_FUNCTION: runs the program alone for the idle
# interval and prints the CPU microseconds that it, explorer.exe and the
# wineserver used meanwhile, its peak and final RSS (KiB; the final one split
# into anonymous and file-backed memory) and its exit code once ended.
idle_run() {
    local exe=$1 title=$2 end=$3 pid explorer server status=0
    wine "$bin/$exe" &
    pid=$!
    if ! probe wait "$title" >/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" || true
        return 1
    fi
    sleep "$idle_settle_seconds"
    explorer=$(zw_prefix_pid 'explorer\.exe') && server=$(zw_prefix_pid wineserver) || {
        "$end" >/dev/null || kill "$pid" 2>/dev/null || true
        wait "$pid" || true
        return 1
    }
    local p0 e0 s0 p1 e1 s1 memory
    p0=$(zw_cpu_snapshot "$pid") e0=$(zw_cpu_snapshot "$explorer") s0=$(zw_cpu_snapshot "$server")
    sleep "$BENCH_IDLE_SECONDS"
    p1=$(zw_cpu_snapshot "$pid") e1=$(zw_cpu_snapshot "$explorer") s1=$(zw_cpu_snapshot "$server")
    memory="$(zw_status_kb "$pid" VmHWM) $(zw_status_kb "$pid" RssAnon) $(zw_status_kb "$pid" RssFile)"
    "$end" >/dev/null || kill "$pid" 2>/dev/null || true
    wait "$pid" || status=$?
    echo "$(zw_cpu_delta_us "$p0" "$p1") $(zw_cpu_delta_us "$e0" "$e1")" \
        "$(zw_cpu_delta_us "$s0" "$s1") $memory $status"
}

us_ms() { awk -v us="$1" 'BEGIN { printf "%.1f ms\n", us / 1000 }'; }

# ratio_target LIMIT RATIO: an at-most target on a ratio, with its verdict.
ratio_target() {
    [ "$2" = n/a ] && echo "<= ${1}x" || echo "<= ${1}x ($(zw_at_most "${2%x}" "$1"))"
}

# The cost of merely being resident: Zapwick and the floor run one after the
# other, each alone, over intervals of the same length.
figure_idle() {
    local z f
    z=$(idle_run zapwick.exe "Hello World!" end_zapwick) &&
        f=$(idle_run floor.exe "Zapwick floor" end_floor) || {
        row "idle cost" "n/a (a program did not come up)"
        broken=1
        return
    }
    local zp ze zs zh za zf zx fp fe fs fh fa ff fx r
    read -r zp ze zs zh za zf zx <<<"$z"
    read -r fp fe fs fh fa ff fx <<<"$f"
    local span="${BENCH_IDLE_SECONDS} s"
    r=$(zw_ratio "$zp" "$fp")
    row "CPU idle $span: the program" "$(us_ms "$zp")" "$(us_ms "$fp")" "$r" \
        "$(ratio_target 1.2 "$r")"
    row "CPU idle $span: explorer.exe" "$(us_ms "$ze")" "$(us_ms "$fe")" "$(zw_ratio "$ze" "$fe")"
    r=$(zw_ratio $((zp + ze)) $((fp + fe)))
    row "CPU idle $span: program + explorer" "$(us_ms $((zp + ze)))" "$(us_ms $((fp + fe)))" "$r" \
        "$(ratio_target 1.2 "$r")"
    row "CPU idle $span: wineserver" "$(us_ms "$zs")" "$(us_ms "$fs")" "$(zw_ratio "$zs" "$fs")"
    r=$(zw_ratio "$zh" "$fh")
    row "peak RSS (VmHWM)" "$zh KiB" "$fh KiB" "$r" "$(ratio_target 1.1 "$r")"
    row "RSS at the end: anonymous" "$za KiB" "$fa KiB" "$(zw_ratio "$za" "$fa")"
    row "RSS at the end: file-backed" "$zf KiB" "$ff KiB" "$(zw_ratio "$zf" "$ff")"
    row "exit code when ended" "$zx (Exit)" "$fx (WM_CLOSE)" "" "0"
}

# startup_once ARGS...: one start timed by startupprobe.exe, as
# "window_ms [tray_ms]".
startup_once() {
    local out
    out=$(wine "$bin/startupprobe.exe" --runs 1 "$@" | tr -d '\r') || {
        sed 's/^/    startupprobe: /' <<<"$out" >&2
        return 1
    }
    sed -n 's/^start 1: window after \([0-9.]*\) ms\(, tray icon after \([0-9.]*\) ms\)\{0,1\}.*/\1 \3/p' \
        <<<"$out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# From CreateProcess to the window (and Zapwick's tray icon) existing, timed
# inside Wine by startupprobe.exe; the median of several cold starts. Zapwick
# and the floor take turns, so that both meet the same load on the machine.
figure_startup() {
    local i z f zw="" zt="" fw=""
    for i in $(seq "$BENCH_STARTS"); do
        z=$(startup_once --tray --end-command 32771 TrayIconHandler zapwick.exe "Hello World!") &&
            f=$(startup_once floor.exe "Zapwick floor") || {
            row "start-up" "n/a (startupprobe failed)"
            broken=1
            return
        }
        zw+="${z% *}"$'\n' zt+="${z#* }"$'\n' fw+="$f"$'\n'
    done
    zw=$(median <<<"${zw%$'\n'}") zt=$(median <<<"${zt%$'\n'}") fw=$(median <<<"${fw%$'\n'}")
    row "start-up to window, median of $BENCH_STARTS" "$zw ms" "$fw ms" "$(zw_ratio "$zw" "$fw")"
    row "start-up to tray icon, median of $BENCH_STARTS" "$zt ms" "$fw ms (its window)" \
        "$(zw_ratio "$zt" "$fw")"
}

# One pass of the product's own scan, in-process, against 10, 100 and 1000
# top-level windows of which a tenth are pop-ups; the floor only lists them.
figure_scan_cost() {
    local out
    out=$(wine "$bin/scancost.exe" --passes "$BENCH_SCAN_PASSES" | tr -d '\r') || {
        sed 's/^/    scancost: /' <<<"$out" >&2
        row "scan cost" "n/a (scancost failed)"
        broken=1
        return
    }
    # Each line is "name value" pairs: windows 10 popups 1 toplevel 18 ...
    field() { awk -v n="$1" -v k="$2" '$2 == n { for (i = 1; i < NF; i += 2) if ($i == k) print $(i + 1) }' <<<"$out"; }
    local n scan floor first_n="" first_scan first_floor last_scan last_floor walks="" asks=""
    local trip trips="" scan_trips="" floor_trips=""
    for n in $(awk '{ print $2 }' <<<"$out"); do
        scan=$(field "$n" scan_median_us) floor=$(field "$n" floor_median_us)
        row "scan pass, $n windows ($(field "$n" toplevel) top-level in all)" \
            "$scan us" "$floor us" "$(zw_ratio "$scan" "$floor")"
        walks+="${walks:+ / }$(field "$n" walk_median_us)"
        trip=$(field "$n" roundtrip_median_us)
        trips+="${trips:+ / }$trip"
        scan_trips+="${scan_trips:+ / }$(awk -v a="$scan" -v b="$trip" 'BEGIN { printf "%.0f", a / b }')"
        floor_trips+="${floor_trips:+ / }$(awk -v a="$floor" -v b="$trip" 'BEGIN { printf "%.0f", a / b }')"
        asks+="${asks:+ / }$(field "$n" close_requests_per_pass)"
        [ -n "$first_n" ] || first_n=$n first_scan=$scan first_floor=$floor
        last_scan=$scan last_floor=$floor
    done
    row "scan pass growth, $first_n -> $n windows" "$(zw_ratio "$last_scan" "$first_scan")" \
        "$(zw_ratio "$last_floor" "$first_floor")"
    local counts
    counts=$(awk '{ print $2 }' <<<"$out" | paste -sd/ | sed 's|/| / |g')
    row "close requests per pass, $counts windows" "$asks" "" "" "one per pop-up"
    row "FindWindowExA walk, no class, $counts windows" "" "$walks us"
    # Nearly all of a pass is waiting for the wineserver, whose price per
    # request moves with the load on the machine; in requests, runs compare.
    row "one wineserver request, $counts windows" "$trips us"
    row "scan pass in wineserver requests, $counts" "$scan_trips" "$floor_trips"
}

figure_executable() {
    local z="$bin/zapwick.exe" f="$bin/floor.exe" zb fb
    zb=$(stat -c %s "$z") fb=$(stat -c %s "$f")
    row "executable size (stripped)" "$zb bytes ($(((zb + 1023) / 1024)) KiB)" \
        "$fb bytes ($(((fb + 1023) / 1024)) KiB)" "$(zw_ratio "$zb" "$fb")" \
        "<= 64 KiB ($(zw_at_most "$zb" 65536))"
    imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | paste -sd' '; }
    local zd fd
    zd=$(imports "$z") fd=$(imports "$f")
    row "imported DLLs" "$(wc -w <<<"$zd"): $zd" "$(wc -w <<<"$fd"): $fd" "" "system DLLs only"
}

for exe in zapwick.exe simbrowser.exe floor.exe startupprobe.exe processprobe.exe scancost.exe; do
    [ -f "$bin/$exe" ] || { echo "bench.sh: $bin/$exe is missing; build first" >&2; exit 1; }
done
machine=$(zw_machine)
started=$(date -u '+%Y-%m-%d %H:%M UTC')
for name in ${BENCH_FIGURES:-${figures[*]}}; do
    echo "measuring $name..." >&2
    "figure_$name"
done

echo
zw_print_table
if [ "${BENCH_WRITE:-0}" = 1 ]; then
    command="${chosen}make bench BUILD=$(basename "$ZW_BUILD_DIR")"
    zw_replace_block "$here/../BENCHMARKS.md" bench "$(printf '%s\n' \
        "Measured $started with \`$command\` on:" "" "$machine" "" "$(zw_markdown_table)")"
    echo "bench.sh: figures written to BENCHMARKS.md" >&2
fi
exit "$broken"
