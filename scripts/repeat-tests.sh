#!/usr/bin/env bash
# repeat-tests.sh [--busy] N [CTEST ARGUMENTS...]: runs the suite, or the
# tests that the CTest arguments name (-R DayTest, say), N times in a row for
# each architecture that this host runs, and prints per test how many runs
# failed. With --busy a second Wine session, with its own prefix and
# wineserver, keeps the same display busy meanwhile: a simulated browser opens
# and closes visible frames and a storm of other windows without pause.
# The output of each failed run is kept in build/<arch>/repeat/run-<i>.log.
# Exits non-zero if any run failed. Not part of `make test`.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() { sed -n '2,9s/^# \{0,1\}//p' "$here/repeat-tests.sh" >&2; exit 2; }

if [ -z "${ZW_REPEAT_INNER:-}" ]; then
    busy=
    [ "${1:-}" = --busy ] && { busy=1; shift; }
    [[ "${1:-}" =~ ^[1-9][0-9]*$ ]] || usage
    make -s -C "$here/.." build >/dev/null
    ZW_REPEAT_INNER=1 ZW_REPEAT_BUSY=$busy BUILD="${BUILD:-$here/../build}" \
        exec bash "$here/for-archs.sh" all "repeat-tests" \
        bash "$here/with-desktop.sh" bash "$here/repeat-tests.sh" "$@"
fi

# On the desktop of with-desktop.sh, for ZW_ARCH in ZW_BUILD_DIR.
source "$here/wine-env.sh"
runs=$1
shift
logs=$ZW_BUILD_DIR/repeat
rm -rf "$logs"
mkdir -p "$logs"

busy_pid=
if [ -n "$ZW_REPEAT_BUSY" ]; then
    # The second session: another prefix, so another wineserver and desktop
    # process, on this display.
    (
        export WINEPREFIX=$ZW_BUILD_DIR/busy-wineprefix
        zw_ensure_prefix
        zw_set_managed N
        while :; do
            wine "$ZW_BUILD_DIR/bin/simbrowser.exe" --seconds 30 --popups 0 --normal 900 \
                --storm 400 --quiet >/dev/null 2>&1 || true
        done
    ) &
    busy_pid=$!
    stop_busy() {
        kill "$busy_pid" 2>/dev/null || true
        WINEPREFIX=$ZW_BUILD_DIR/busy-wineprefix wineserver -k 2>/dev/null || true
        wait "$busy_pid" 2>/dev/null || true
    }
    trap stop_busy EXIT
    echo "repeat-tests ($ZW_ARCH): a second Wine session keeps the display busy"
fi

declare -A failed=()
tests=$(ctest --test-dir "$ZW_BUILD_DIR" -N "$@" | sed -n 's/^ *Test *#[0-9]*: //p')
[ -n "$tests" ] || { echo "repeat-tests ($ZW_ARCH): no test matches: $*" >&2; exit 2; }
for name in $tests; do failed[$name]=0; done
bad_runs=0
for i in $(seq "$runs"); do
    log=$logs/run-$i.log
    if ctest --test-dir "$ZW_BUILD_DIR" --output-on-failure --timeout 120 "$@" >"$log" 2>&1; then
        rm -f "$log"
        echo "repeat-tests ($ZW_ARCH): run $i of $runs passed"
        continue
    fi
    bad_runs=$((bad_runs + 1))
    names=$(sed 's/^[0-9]*://' "$ZW_BUILD_DIR/Testing/Temporary/LastTestsFailed.log" 2>/dev/null || true)
    for name in $names; do failed[$name]=$((${failed[$name]:-0} + 1)); done
    echo "repeat-tests ($ZW_ARCH): run $i of $runs FAILED: $(echo $names) (see $log)"
done

echo "repeat-tests ($ZW_ARCH): failed runs per test, of $runs${ZW_REPEAT_BUSY:+, beside a busy session}:"
for name in $tests; do printf '  %3d  %s\n' "${failed[$name]}" "$name"; done
[ "$bad_runs" = 0 ]
