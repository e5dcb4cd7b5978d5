#!/usr/bin/env bash
# bench.sh: measures the real zapwick.exe and prints the figures as one table
# (`make bench`). Targets are reported beside the figures, never enforced: the
# script fails only when a measurement itself could not be taken.
#
# Each figure is a function figure_NAME that adds rows with `row`; list it in
# `figures` to have it run. BENCH_FIGURES="a b" runs a subset.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

if [ -z "${ZW_ON_DESKTOP:-}" ]; then
    exec bash "$here/with-desktop.sh" bash "$0" "$@"
fi

bin="$ZW_BUILD_DIR/bin"
: "${BENCH_POPUPS:=60}"
: "${BENCH_SECONDS:=32}"
objdump=i686-w64-mingw32-objdump

figures=(close_latency executable)
rows=()
broken=0

# row FIGURE VALUE [TARGET]: one line of the table.
row() { rows+=("$1"$'\t'"$2"$'\t'"${3:-}"); }

# verdict VALUE LIMIT: "met" or "missed" for an at-most target.
verdict() { [ "$1" -le "$2" ] && echo met || echo missed; }

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
    row "pop-ups asked to close" "$asked of $opened" "all"
    row "close latency, median" "$median ms" "about 250 ms"
    row "close latency, max" "$max ms" "<= 520 ms ($(verdict "$max" 520))"
    row "close latency, min" "$min ms"
    row "normal frames touched" "$touched" "0"
    row "Zapwick exit code after Exit" "$zapwick_status" "0"
}

figure_executable() {
    local exe="$bin/zapwick.exe" bytes dlls
    bytes=$(stat -c %s "$exe")
    row "zapwick.exe size" "$bytes bytes ($(((bytes + 1023) / 1024)) KiB)"
    dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | paste -sd' ')
    row "imported DLLs ($(wc -w <<<"$dlls"))" "$dlls"
}

for exe in zapwick.exe simbrowser.exe; do
    [ -f "$bin/$exe" ] || { echo "bench.sh: $bin/$exe is missing; build first" >&2; exit 1; }
done
for name in ${BENCH_FIGURES:-${figures[*]}}; do
    echo "measuring $name..." >&2
    "figure_$name"
done

echo
{
    printf '%-30s  %-44s  %s\n' "Figure" "Value" "Target"
    printf '%-30s  %-44s  %s\n' "------" "-----" "------"
    for r in "${rows[@]}"; do
        IFS=$'\t' read -r figure value target <<<"$r"
        printf '%-30s  %-44s  %s\n' "$figure" "$value" "${target:-}"
    done
} | sed 's/ *$//'
exit "$broken"
