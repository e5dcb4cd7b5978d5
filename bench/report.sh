# Sourced by the scripts that run Zapwick beside other Windows programs (run,
# bench, soak, screenshots) as: source .../bench/report.sh "$0" "$@"
# It sets up Wine (wine-env.sh) and runs the script again on the desktop of
# with-desktop.sh, unless it is already there. Then it gives the script what
# they all need: starting and ending the programs through probe.exe, reading
# the simulated browser's report, reading Wine processes from Linux, and
# reporting figures on the terminal and in BENCHMARKS.md.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-env.sh"
zw_on_desktop "$@"
bin="$ZW_BUILD_DIR/bin"
ZW_PID=
trap 'zw_stop "$ZW_PID"' EXIT
case "$ZW_ARCH" in
    win32) ZW_TRIPLET=i686-w64-mingw32 ;;
    win64) ZW_TRIPLET=x86_64-w64-mingw32 ;;
esac
# For BENCHMARKS.md: when the run began, the load on the machine then, and
# what the caller chose before the script's defaults fill in the rest.
zw_started=$(date -u '+%Y-%m-%d %H:%M UTC')
zw_load=$(cut -d' ' -f1-3 /proc/loadavg)
zw_chosen=$(env | grep -E '^(BENCH_[A-Z_]+|SOAK_[A-Z_]+|ZW_ARCHS)=' | sort | tr '\n' ' ' || true)

# zw_need EXE...: stops the script when one of the programs is not built.
zw_need() {
    local exe
    for exe; do
        [ -f "$bin/$exe" ] || { echo "${0##*/}: $bin/$exe is missing; build first" >&2; exit 1; }
    done
}

zw_probe() { wine "$bin/probe.exe" "$@" | tr -d '\r'; }

# zw_launch NAME: starts zapwick or floor and waits until it is up, with its
# tray icon; ZW_PID is the Linux process that runs it.
zw_launch() {
    wine "$bin/$1.exe" &
    ZW_PID=$!
    zw_probe wait "$1" >/dev/null || {
        echo "${0##*/}: $1 did not come up" >&2
        zw_stop "$ZW_PID"
        return 1
    }
}

# zw_finish NAME: ends it the way its user would (Zapwick: Exit on the tray
# menu; the floor: WM_CLOSE) and prints its exit code, as the probe saw it:
# a subshell cannot `wait` for it.
zw_finish() {
    local out
    out=$(zw_probe end "$1") || kill "$ZW_PID" 2>/dev/null || true
    wait "$ZW_PID" 2>/dev/null || true
    ZW_PID=
    out=$(sed -n 's/^exit code //p' <<<"$out")
    echo "${out:-none (killed)}"
}

# zw_read_browser LOG: sets from the simulated browser's report: opened, asked,
# median, p95, max (ms), touched (normal frames asked to close), storm
# (windows opened a second) and storm_touched; "-" for what it does not say.
zw_read_browser() {
    grep -F '!!!' "$1" | head -5 >&2 || true
    read -r opened asked median p95 max touched storm storm_touched < <(tr -d '\r' <"$1" | awk '
        /^summary:/ { v[1] = $2; v[2] = $5 }
        /^latency:/ { v[3] = $3; v[4] = $6; v[5] = $9 }
        /^normal frames:/ { v[6] = $5 }
        /^storm:/ { v[7] = sprintf("%.0f", $2 / $6); v[8] = $(NF - 1) }
        END { for (i = 1; i <= 8; i++) printf "%s ", (i in v) ? v[i] : "-"; print "" }')
}

# zw_browse LOG ARGS...: runs the simulated browser with ARGS, its report in
# LOG, and reads the report; the browser's exit code.
zw_browse() {
    local log=$1 status=0
    shift
    wine "$bin/simbrowser.exe" "$@" >"$log" || status=$?
    zw_read_browser "$log"
    return "$status"
}

# The Linux process of this prefix's Windows program or Wine process whose
# command line matches PATTERN. Other prefixes (other people's test runs on
# the same machine) have their own explorer.exe and wineserver.
zw_prefix_pid() {
    local p
    for p in $(pgrep -f "$1"); do
        if tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return 0
        fi
    done
    return 1
}

# zw_cpu_snapshot PID...: "pid/thread nanoseconds" lines, the CPU time (user
# and system alike) that each thread of the processes has used so far. The
# scheduler's own account is exact; the ticks of /proc/PID/stat are sampled
# every 10 ms and miss most of a program that wakes for microseconds.
zw_cpu_snapshot() {
    local pid task
    for pid; do
        for task in /proc/"$pid"/task/*; do echo "$task $(cut -d' ' -f1 "$task/schedstat" 2>/dev/null)"; done
    done
}

# zw_cpu_us BEFORE AFTER PID: microseconds of CPU that the process used between
# two snapshots. A thread that started in between counts in full; one that
# ended is lost.
zw_cpu_us() {
    awk -v p="/proc/$3/" 'NR == FNR { before[$1] = $2; next }
        index($1, p) == 1 { sum += $2 - before[$1] } END { printf "%d\n", sum / 1000 }' \
        <(echo "$1") <(echo "$2")
}

# zw_status_kb PID FIELD: a "kB" field of /proc/PID/status (VmRSS, VmHWM...).
zw_status_kb() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"; }

# zw_ratio A B: A/B as "1.23x", or "n/a" when B is zero or either is missing.
zw_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0 || a !~ /^[0-9.]+$/) print "n/a"; else printf "%.2fx\n", a / b }'
}

# zw_at_most TEXT VALUE LIMIT: "TEXT (met)" or "TEXT (missed)" for an at-most
# target; VALUE may end in a unit such as "x" or "%".
zw_at_most() {
    awk -v t="$1" -v v="$2" -v l="$3" 'BEGIN { print t " (" (v ~ /^[0-9.]/ ? (v + 0 <= l + 0 ? "met" : "missed") : "n/a") ")" }'
}

# Rows are tab-separated fields; the first row is the heading.
zw_rows=()
zw_row() {
    local IFS=$'\t'
    zw_rows+=("$*")
}

# zw_table [markdown]: zw_rows as an aligned plain-text table, or in Markdown.
zw_table() {
    printf '%s\n' "${zw_rows[@]}" | awk -F'\t' -v md="${1:-}" '
        { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) }
          if (NF > nf) nf = NF }
        END { for (r = 1; r <= NR + 1; r++) {
                  line = md ? "|" : ""
                  for (i = 1; i <= nf; i++) {
                      c = r == 2 ? (md ? "---" : sprintf("%" w[i] "s", "")) : cell[r - (r > 2), i]
                      if (r == 2 && !md) gsub(/ /, "-", c)
                      line = line (md ? " " c " |" : sprintf("%-" w[i] "s  ", c))
                  }
                  sub(/ +$/, "", line); print line } }'
}

# The architecture and the machine the figures come from, as Markdown items.
zw_machine() {
    local triplet=${ZW_TRIPLET:?} arch=${ZW_TRIPLET%%-*}
    arch=${arch//_/-}
    echo "- Architecture: $ZW_ARCH ($triplet), Wine's $WINELOADER"
    echo "- CPU: $(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1), $(nproc) cores available$(lscpu | grep -q '^Hypervisor' && echo ' (virtual machine)')"
    echo "- RAM: $(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
    echo "- OS: $(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)"
    echo "- Wine: $(wine --version), on Xvfb, wineserver kept running (-p)"
    echo "- Compiler: $triplet-g++-posix $(dpkg-query -W -f='${Version}' "g++-mingw-w64-$arch-posix")," \
        "mingw-w64 $(dpkg-query -W -f='${Version}' "mingw-w64-$arch-dev")"
    echo "- Load average when the run began: $zw_load"
}

# zw_write NAME COMMAND: puts the table, with the command that made it and the
# machine, between the lines "<!-- NAME:begin -->" and "<!-- NAME:end -->" of
# BENCHMARKS.md, keeping the rest.
zw_write() {
    local file="$zw_root/BENCHMARKS.md" b="<!-- $1:begin -->" e="<!-- $1:end -->"
    if ! grep -qxF "$b" "$file" || ! grep -qxF "$e" "$file"; then
        echo "no $b / $e markers in $file" >&2
        return 1
    fi
    CONTENT="$(printf '%s\n' "Measured $zw_started with \`$zw_chosen$2\` on:" "" "$(zw_machine)" "" \
        "$(zw_table markdown)")" awk -v b="$b" -v e="$e" '
        $0 == b { print; print ENVIRON["CONTENT"]; skip = 1; next }
        $0 == e { skip = 0 }
        !skip' "$file" >"$file.tmp" && mv "$file.tmp" "$file"
    echo "${0##*/}: figures written to BENCHMARKS.md ($1)" >&2
}
