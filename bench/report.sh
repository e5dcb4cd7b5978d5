# Sourced by scripts/bench.sh and scripts/soak.sh: the pieces both need to
# read Wine processes from Linux and to report figures, on the terminal and
# in BENCHMARKS.md.

# Rows are tab-separated fields; the first row is the heading.
zw_rows=()
zw_row() {
    local IFS=$'\t'
    zw_rows+=("$*")
}

# Aligned plain-text table of zw_rows on stdout.
zw_print_table() {
    printf '%s\n' "${zw_rows[@]}" | awk -F'\t' '
        { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) }
          if (NF > nf) nf = NF }
        END { for (r = 1; r <= NR; r++) {
                  line = ""
                  for (i = 1; i <= nf; i++) line = line sprintf("%-" w[i] "s  ", cell[r, i])
                  sub(/ +$/, "", line); print line
                  if (r == 1) { line = ""
                      for (i = 1; i <= nf; i++) { d = sprintf("%" w[i] "s", ""); gsub(/ /, "-", d); line = line d "  " }
                      sub(/ +$/, "", line); print line } } }'
}

# The same table in Markdown.
zw_markdown_table() {
    printf '%s\n' "${zw_rows[@]}" | awk -F'\t' '
        { if (NF > nf) nf = NF; row[NR] = $0 }
        END { for (r = 1; r <= NR; r++) {
                  n = split(row[r], c, "\t"); line = "|"
                  for (i = 1; i <= nf; i++) line = line " " (i <= n ? c[i] : "") " |"
                  print line
                  if (r == 1) { line = "|"; for (i = 1; i <= nf; i++) line = line " --- |"; print line } } }'
}

# zw_ratio A B: A/B as "1.23x", or "n/a" when B is zero or missing.
zw_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0 || a == "") print "n/a"; else printf "%.2fx\n", a / b }'
}

# zw_at_most VALUE LIMIT: "met" or "missed" for an at-most target (decimals allowed).
zw_at_most() {
    awk -v v="$1" -v l="$2" 'BEGIN { print (v + 0 <= l + 0) ? "met" : "missed" }'
}

# The Linux process of this prefix's Windows program or Wine process whose
# command line matches PATTERN. Other prefixes (other people's test runs on
# the same machine) have their own explorer.exe and wineserver.
zw_prefix_pid() {
    local p
    for p in $(pgrep -f "$1"); do
        if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return 0
        fi
    done
    return 1
}

# zw_cpu_snapshot PID: "thread nanoseconds" lines, the CPU time (user and
# system alike) that each thread of a Linux process has used so far. The
# scheduler's own account is exact; the ticks of /proc/PID/stat are sampled
# every 10 ms and miss most of a program that wakes for microseconds.
zw_cpu_snapshot() {
    local task
    for task in /proc/"$1"/task/*; do
        echo "${task##*/} $(cut -d' ' -f1 "$task/schedstat" 2>/dev/null || echo 0)"
    done
}

# zw_cpu_delta_us BEFORE AFTER: microseconds of CPU between two snapshots. A
# thread that started in between counts in full; one that ended is lost.
zw_cpu_delta_us() {
    awk 'NR == FNR { before[$1] = $2; next } { sum += $2 - before[$1] } END { printf "%d\n", sum / 1000 }' \
        <(echo "$1") <(echo "$2")
}

# zw_status_kb PID FIELD: a "kB" field of /proc/PID/status (VmRSS, VmHWM...).
zw_status_kb() {
    awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status"
}

# The machine the figures come from, as Markdown list items.
zw_machine() {
    local cpu mem
    cpu=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
    mem=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
    echo "- CPU: $cpu, $(nproc) cores available$(lscpu | grep -q '^Hypervisor' && echo ' (virtual machine)')"
    echo "- RAM: $mem"
    echo "- OS: $(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)"
    echo "- Wine: $(wine --version), on Xvfb, wineserver kept running (-p)"
    echo "- Compiler: i686-w64-mingw32-g++-posix $(dpkg-query -W -f='${Version}' g++-mingw-w64-i686-posix)," \
        "mingw-w64 $(dpkg-query -W -f='${Version}' mingw-w64-i686-dev)"
    echo "- Load average when the run began: $(cut -d' ' -f1-3 /proc/loadavg)"
}

# zw_replace_block FILE NAME CONTENT: puts CONTENT between the lines
# "<!-- NAME:begin -->" and "<!-- NAME:end -->" of FILE, keeping the rest.
zw_replace_block() {
    local file=$1 name=$2 content=$3
    if ! grep -qxF "<!-- $name:begin -->" "$file" || ! grep -qxF "<!-- $name:end -->" "$file"; then
        echo "no <!-- $name:begin/end --> markers in $file" >&2
        return 1
    fi
    CONTENT="$content" awk -v b="<!-- $name:begin -->" -v e="<!-- $name:end -->" '
        $0 == b { print; print ENVIRON["CONTENT"]; skip = 1; next }
        $0 == e { skip = 0 }
        !skip' "$file" >"$file.tmp" && mv "$file.tmp" "$file"
}
