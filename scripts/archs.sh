# Sourced by the Makefile's runners: which Windows architectures this host can
# run under Wine. Some kernels have 32-bit emulation switched off, and there
# the i386 loader cannot even start ("Exec format error").
# ZW_ARCHS="win64" (or "win32", or both) forces the choice, for trying the
# other kind of host's path.

# Whether programs of architecture $1 run here: its loader must start.
zw_can_run() {
    case "$1" in
        win32) /usr/lib/wine/wine --version ;;
        win64) /usr/lib/wine/wine64 --version ;;
    esac >/dev/null 2>&1
}

# Sets ZW_RUNNABLE to the architectures that run here, 32-bit first, and
# ZW_SKIPPED to a sentence on what cannot run and why (empty if nothing).
zw_detect_archs() {
    ZW_RUNNABLE=() ZW_SKIPPED=""
    local arch why
    for arch in win32 win64; do
        if [ -n "${ZW_ARCHS:-}" ]; then
            case " $ZW_ARCHS " in
                *" $arch "*) ZW_RUNNABLE+=("$arch"); continue ;;
                *) why="left out by ZW_ARCHS=\"$ZW_ARCHS\"" ;;
            esac
        elif zw_can_run "$arch"; then
            ZW_RUNNABLE+=("$arch")
            continue
        elif [ "$arch" = win32 ]; then
            why="this host cannot run 32-bit programs (/usr/lib/wine/wine does not start:"
            # The loader's failure is the answer here, not an error of this script.
            why+=" $({ /usr/lib/wine/wine --version 2>&1 || true; } | head -n1 | sed 's/^.*: //'); a kernel"
            why+=" with 32-bit emulation off says so in dmesg)"
        else
            why="the 64-bit Wine loader /usr/lib/wine/wine64 does not start here"
        fi
        ZW_SKIPPED+="${ZW_SKIPPED:+; }$arch skipped: $why"
    done
}

# Prints the one line that says what $1 runs here (the builds in $2...) and
# why it leaves any architecture out.
zw_say_archs() {
    local name=$1
    shift
    local what="$*"
    what="${what// / and } build"
    [ $# -gt 1 ] && what+="s"
    if [ -z "$ZW_SKIPPED" ] && [ $# -lt ${#ZW_RUNNABLE[@]} ]; then
        echo "$name: runs the $what (the 32-bit one where both run: it runs on every Windows)"
    elif [ -z "$ZW_SKIPPED" ]; then
        echo "$name: runs the $what (this host runs both)"
    else
        echo "$name: runs the $what; $ZW_SKIPPED"
    fi
}
