#!/usr/bin/env bash
# MsiTest.sh VERSION PROGRAM HELP README LICENSE ICON ACTIONS: the Windows
# Installer package under Wine, silently (/qn), in the prefix of the build tree
# that ZW_ARCH and ZW_BUILD_DIR name. It builds the package of this tree with
# packaging/build-msi.sh, and an older one (a lower version, a different
# zapwick.exe) from the same source, then:
#   old installed, Zapwick running: the upgrade closes it and leaves one entry
#     and the new files; installing the same package again changes nothing;
#   the files, the Start menu shortcut, the log-on start and the entry in
#     Programs and Features are there, and the program that the log-on start
#     names comes up with its window and its tray icon;
#   Zapwick running again: the removal closes it and leaves nothing of the
#     package in the file system or the registry, and the Messenger value as
#     the program left it.
# Whatever it installed, and the settings it had to move away, are put back
# as they were when it ends.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/scripts/wine-env.sh"
zw_on_desktop "$0" "$@"

if [ $# -ne 7 ]; then
    sed -n '2,4s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
version=$1 program=$2
inputs=("${@:2}")
bin="$ZW_BUILD_DIR/bin"
scratch="$ZW_BUILD_DIR/tests/msi-scratch"
# A shortcut would make Wine's menu builder write Linux menu entries into the
# home folder of whoever runs the tests.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

started=$(date +%s%N)
failures=0
zapwick_pid=
saved_morvane=0 messenger_state= run_key_existed=0

say() { echo "MsiTest ($ZW_ARCH): $*"; }
fail() {
    echo "MsiTest ($ZW_ARCH): FAILED: $*" >&2
    failures=$((failures + 1))
}
# check WHAT COMMAND...: a failed check is reported, and the test goes on.
check() {
    local what=$1
    shift
    if "$@"; then say "ok: $what"; else fail "$what"; fi
}
# expect_equal WHAT EXPECTED ACTUAL
expect_equal() {
    if [ "$2" = "$3" ]; then
        say "ok: $1"
    else
        fail "$1: expected [$2], got [$3]"
    fi
}
abort() {
    fail "$*"
    exit 1
}

# What reg prints for KEY (nothing when it is missing); whether KEY exists.
q() { { wine reg query "$@" 2>/dev/null || true; } | tr -d '\r'; }
exists() { wine reg query "$1" >/dev/null 2>&1; }
# The data of value NAME in KEY, or nothing.
value_of() { q "$1" /v "$2" | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }
# The uninstall entries named "Zapwick", one registry key a line. Wine keeps a
# per-user package's entry under HKLM; Windows shows it from its own records.
zapwick_entries() {
    local root
    for root in HKLM HKCU; do
        q "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s |
            awk '/^HKEY_/ { key = $0 } $1 == "DisplayName" && $3 == "Zapwick" && NF == 3 { print key }'
    done
}
# msiexec ARGS...: its exit code (0 for success; the loader keeps the low byte,
# so 3010, "restart needed", shows as 194).
msiexec() {
    local status=0
    wine msiexec "$@" /qn || status=$?
    return "$status"
}

# Starts the installed program as the log-on start does and waits for its
# main window.
start_installed() {
    wine "$installed_program" &
    zapwick_pid=$!
    wine "$bin/probe.exe" wait zapwick >/dev/null ||
        abort "the installed Zapwick did not come up"
}
# Whether the program started by start_installed ended within 5 s (the
# installer has already waited for it), and cleanly, by itself: a program that
# the installer had to terminate ends with code 1.
ended_when_asked() {
    local deadline=$((SECONDS + 5)) status=0
    while kill -0 "$zapwick_pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
    wait "$zapwick_pid" || status=$?
    zapwick_pid=
    say "Zapwick ended with exit code $status"
    [ "$status" = 0 ]
}

# What a removal must give back: every file under drive_c, and the registry
# where Windows Installer and the package write (Wine's own settings under
# HKCU\Software\Wine change by themselves and are left out).
snapshot() {
    (cd "$drive_c" && find . | grep -v '^\./windows/temp/' | LC_ALL=C sort) >"$1.files"
    local key
    for key in HKCU 'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer' \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
        wine reg export "$key" export.reg /y >/dev/null 2>&1 || echo "(no $key)"
        iconv -f UTF-16 -t UTF-8 export.reg 2>/dev/null | tr -d '\r' |
            awk 'index($0, "[") == 1 { skip = index($0, "[HKEY_CURRENT_USER\\Software\\Wine") == 1 } !skip'
        rm -f export.reg
    done >"$1.registry"
}

remove_all_zapwick() {
    local entry
    for entry in $(zapwick_entries | sed 's/.*\\//'); do
        msiexec /x "$entry" || true
    done
}

messenger='HKLM\SYSTEM\ControlSet001\Services\Messenger'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
cleanup() {
    zw_stop "$zapwick_pid"
    remove_all_zapwick
    wine reg delete 'HKCU\Software\Morvane' /f >/dev/null 2>&1 || true
    if [ "$saved_morvane" = 1 ]; then wine reg import "$scratch/morvane.reg" >/dev/null 2>&1; fi
    case "$messenger_state" in
        none) wine reg delete 'HKLM\SYSTEM\ControlSet001' /f >/dev/null 2>&1 || true ;;
        no-key) wine reg delete "$messenger" /f >/dev/null 2>&1 || true ;;
        no-value) wine reg delete "$messenger" /v Start /f >/dev/null 2>&1 || true ;;
        '') ;;
        *) wine reg add "$messenger" /v Start /t REG_DWORD /d "$messenger_state" /f >/dev/null 2>&1 ;;
    esac
    # Wine's installer removes the Run key with the package's value when
    # nothing else is left in it.
    if [ "$run_key_existed" = 1 ]; then wine reg add "$run_key" /f >/dev/null 2>&1; fi
    rm -rf "$scratch"
}
trap cleanup EXIT

rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"
# The older package: a lower version of the same source, whose program file
# differs as a real older release's would (bytes after a PE image are ignored).
if ! [[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]]; then abort "version $version"; fi
major=${BASH_REMATCH[1]} minor=${BASH_REMATCH[2]} patch=${BASH_REMATCH[3]}
if [ "$patch" -gt 0 ]; then
    old_version="$major.$minor.0"
elif [ "$minor" -gt 0 ]; then
    old_version="$major.$((minor - 1)).0"
else
    old_version="$((major - 1)).0.0"
fi
cp "$program" old-zapwick.exe
printf 'Zapwick %s, an older build' "$old_version" >>old-zapwick.exe
bash "$root/packaging/build-msi.sh" new.msi "$ZW_ARCH" "$version" "${inputs[@]}"
bash "$root/packaging/build-msi.sh" old.msi "$ZW_ARCH" "$old_version" old-zapwick.exe "${inputs[@]:1}"

# Where a per-user package puts things for the user that Wine runs as.
IFS=';' read -r local_appdata appdata < <(wine cmd /c 'echo %LOCALAPPDATA%;%APPDATA%' | tr -d '\r')
folder="$local_appdata\\Programs\\Zapwick\\"
installed_program="${folder}zapwick.exe"
unix_folder=$(wine winepath -u "$folder" | tr -d '\r')
shortcut=$(wine winepath -u "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Zapwick.lnk" | tr -d '\r')
drive_c=$(wine winepath -u 'C:\' | tr -d '\r')

# A clean start: no Zapwick installed, no settings, the Messenger service's key
# as the program leaves it (disabled); the settings and the key are put back
# at the end.
remove_all_zapwick
if exists "$run_key"; then run_key_existed=1; fi
if exists 'HKCU\Software\Morvane'; then
    wine reg export 'HKCU\Software\Morvane' morvane.reg /y >/dev/null
    saved_morvane=1
    wine reg delete 'HKCU\Software\Morvane' /f >/dev/null
fi
if ! exists 'HKLM\SYSTEM\ControlSet001'; then
    messenger_state=none
elif ! exists "$messenger"; then
    messenger_state=no-key
else
    messenger_state=$(value_of "$messenger" Start)
    messenger_state=${messenger_state:-no-value}
fi
wine reg add "$messenger" /v Start /t REG_DWORD /d 4 /f >/dev/null
# Windows Installer keeps its own records in keys and folders that it makes at
# its first use and keeps, empty, afterwards; one installation and removal
# first, so that the comparison sees only what the package leaves.
msiexec /i new.msi && msiexec /x new.msi || abort "installing and removing the package failed"
snapshot before

# Upgrade with the old version running.
status=0
msiexec /i old.msi || status=$?
[ "$status" = 0 ] || abort "installing the old package failed with code $status"
start_installed
status=0
msiexec /i new.msi || status=$?
expect_equal "the upgrade succeeds at once, no restart needed" 0 "$status"
check "the upgrade closed the running Zapwick" ended_when_asked
entries=$(zapwick_entries)
expect_equal "one entry in Programs and Features after the upgrade" 1 "$(grep -c . <<<"$entries")"
check "the upgrade put the new zapwick.exe in place" cmp -s "$program" "$unix_folder/zapwick.exe"

# The same package once more.
status=0
msiexec /i new.msi || status=$?
expect_equal "installing the same package again succeeds" 0 "$status"
expect_equal "installing it again keeps the one entry" "$entries" "$(zapwick_entries)"

# What the installation holds.
expect_equal "the folder holds the four files" "LICENSE README.txt help.chm zapwick.exe" \
    "$(cd "$unix_folder" && LC_ALL=C ls -A | tr '\n' ' ' | sed 's/ $//')"
names=(zapwick.exe help.chm README.txt LICENSE)
for i in "${!names[@]}"; do
    check "${names[i]} is the build's" cmp -s "${inputs[i]}" "$unix_folder/${names[i]}"
done
check "the Start menu shortcut exists" test -f "$shortcut"
check "the shortcut names the installed program" grep -a -q -F "$installed_program" "$shortcut"
expect_equal "the log-on start runs the installed program" "\"$installed_program\"" \
    "$(value_of "$run_key" Zapwick)"
entry=$(zapwick_entries | head -n1)
expect_equal "the entry's version" "$version" "$(value_of "$entry" DisplayVersion)"
expect_equal "the entry's publisher" Morvane "$(value_of "$entry" Publisher)"
expect_equal "the entry's web site" "http://www.morvane.example/" "$(value_of "$entry" URLInfoAbout)"
expect_equal "the entry's folder" "$folder" "$(value_of "$entry" InstallLocation)"

# The program that the log-on start names comes up, window and tray icon, and
# ends when its main window is closed, as Exit does it.
run=$(wine "$bin/probe.exe" start zapwick "$installed_program" | tr -d '\r') &&
    status=0 || status=$?
say "the installed Zapwick: $run"
expect_equal "the installed Zapwick showed its window and tray icon and ended cleanly" 0 "$status"

# Removal with Zapwick running, and with a setting of its own written.
start_installed
wine reg add 'HKCU\Software\Morvane\Zapwick\Setup' /v t_first_update /t REG_DWORD /d 1 /f >/dev/null
status=0
msiexec /x new.msi || status=$?
expect_equal "the removal succeeds at once, no restart needed" 0 "$status"
check "the removal closed the running Zapwick" ended_when_asked
snapshot after
check "no file of the package is left" diff before.files after.files
check "no registry key or value of the package is left" diff before.registry after.registry
expect_equal "the Messenger service stays as the program left it" 0x4 "$(value_of "$messenger" Start)"

elapsed_ms=$((($(date +%s%N) - started) / 1000000))
say "$failures failed checks, $elapsed_ms ms"
[ "$failures" = 0 ]
