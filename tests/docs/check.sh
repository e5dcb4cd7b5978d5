#!/usr/bin/env bash
# What the docs name is there (make docs runs this after remark, which checks
# their links, #anchors and heading levels): in README.md, BENCHMARKS.md and
# docs/, every `make X` in code has a rule in the Makefile, every path in the
# repository's folders exists, every ZW_* variable and installer property
# (NAME=value in code, a code span of capitals alone) is one that the tree uses,
# and every silent msiexec command says /norestart.
set -uo pipefail
cd "$(dirname "$0")/../.."
# Windows Installer's own properties, which a command line may set.
standard=" REBOOT REBOOTPROMPT MSIRESTARTMANAGERCONTROL MSIFASTINSTALL "
folders=$(git ls-files | sed -n 's#/.*##p' | sort -u | paste -sd'|')
fail=0
bad() { echo "$f: $1" >&2; fail=1; }
for f in README.md BENCHMARKS.md $(find docs -name '*.md' | sort); do
    # The file's code: fenced blocks whole, and each `span` on a line of its own.
    code=$(awk '/^ *(```|~~~)/ { fenced = !fenced; next } fenced { print; next }
        { while (match($0, /`[^`]+`/)) { print substr($0, RSTART + 1, RLENGTH - 2)
                                         $0 = substr($0, RSTART + RLENGTH) } }' "$f")
    for t in $(grep -oP '(?<![\w-])make \K[a-z][\w-]*' <<<"$code" | sort -u); do
        grep -qP "^([\w.-]+ )*\Q$t\E( [\w.-]+)*:(?!=)" Makefile || bad "\`make $t\`: no such target in the Makefile"
    done
    # An unattended installation may restart the machine unless told not to.
    ! grep -P 'msiexec.*\s/(q[nb]|quiet|passive)\b' <<<"$code" | grep -v /norestart >&2 ||
        bad "the silent msiexec commands above lack /norestart"
    for p in $(grep -oP "(?<![\w/.~%\$-])($folders)/[\w./+-]*" "$f" | sort -u); do
        [ -e "${p%.}" ] || bad "$p: no such file or folder"
    done
    for v in $({ grep -oP '\bZW_\w+' "$f"; grep -oP '(?<![\w$%-])[A-Z][A-Z0-9_]+(?==)' <<<"$code"
                 grep -xP '[A-Z]+(=\S*)?' <<<"$code" | cut -d= -f1; } | sort -u); do
        [[ $standard == *" $v "* ]] || grep -rqw --exclude='*.md' --exclude=README.txt --exclude-dir=docs \
            "$v" src packaging scripts tests cmake Makefile CMakeLists.txt || bad "$v: used nowhere in the tree"
    done
done
exit $fail
