#!/usr/bin/env bash
# MsiTest.sh: the Windows Installer package under Wine, for the user (with
# ALLUSERS="": Wine installs a dual-purpose package for the machine) and, with
# ALLUSERS=1, for the machine. It builds this tree's package with
# packaging/build-msi.sh, and an older one (a lower version, a different
# zapwick.exe) from the same source, then in each scope:
#   old installed silently (no Zapwick started) in a folder of its own with
#     the update reminder switched off (for the machine, recorded as the other
#     architecture's package records it), Zapwick running: the upgrade, with the
#     full interface and no INSTALLDIR, stays in that folder, closes it,
#     starts one new one, keeps the switch and leaves one entry;
#     installing it again with ZW_NOSTART=1 closes that one, starts none,
#     and leaves a copy on another desktop, which it cannot ask, running;
#   the files, the Start menu shortcut, the log-on start, the record of the
#     folder, the registration and the entry are the scope's;
#   a removal inside an upgrade (as Windows marks it) keeps Task Manager's
#     record of the user's choice for the log-on start;
#   Zapwick running, a setting of its own written: the removal, with the full
#     interface, closes it, starts none and leaves nothing of the package in
#     the file system or the registry (that record included; for the machine,
#     the user's setting stays), and the Messenger value as the program left it;
#     installed anew, it goes to the scope's own folder.
# Before all that: the package's tables against Windows Installer's rules, the
# same inputs giving the same bytes and one changed byte another package, an
# upgrade that closes a Zapwick in a folder that the code page cannot spell,
# and another build of that version, which goes where INSTALLDIR tells it.
source "$(dirname "$0")/Common.sh"
source "$ZW_BUILD_DIR/packaging/package-inputs.sh"
scratch="$ZW_BUILD_DIR/tests/msi-scratch"
# A shortcut would make Wine's menu builder write Linux menu entries into the
# home folder of whoever runs the tests.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
zapwick_pid=

# What reg prints for KEY (nothing when it is missing); the data of value NAME.
q() { { wine reg query "$@" 2>/dev/null || true; } | tr -d '\r'; }
value_of() { q "$1" /v "$2" | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }
# The uninstall entries named "Zapwick", one key a line: Wine keeps those of
# both scopes under HKLM.
zapwick_entries() {
    q 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
        awk '/^HKEY_/ { key = $0 } $1 == "DisplayName" && $3 == "Zapwick" && NF == 3 { print key }'
}
# How many of the scope's StartupApproved keys hold a record for Zapwick.
records() { for key in "${approvals[@]}"; do value_of "$hive\\$approved\\$key" Zapwick; done | grep -c . || true; }
# Wine removes a user's installation of a dual-purpose package only when told
# ALLUSERS="", which Windows does not need.
remove_all_zapwick() {
    local entry props
    for entry in $(zapwick_entries); do
        for props in 'ALLUSERS=""' ALLUSERS=1; do wine msiexec /x "${entry##*\\}" $props /qn || true; done
    done
    wine reg delete 'HKLM\Software\Morvane' /f /reg:32 >/dev/null 2>&1 || true  # see "for the machine"
}
# installs WHAT ARGS...: msiexec succeeds at once (3010, "restart needed",
# would show as 194: the loader keeps the low byte). Without /qn, with the
# full interface, which shows nothing here: the package has no dialogs.
installs() {
    local what=$1 status=0
    shift
    wine msiexec "$@" || status=$?
    expect_equal "$what succeeds at once" 0 "$status"
}
# How many copies of the installed program run in this Wine session: another
# session on the machine may run its own copies of the same Windows path (a
# process that has ended but is not yet reaped is a zombie, Z, and does not).
running() {
    local pid prefix n=0
    for pid in $(ps -eo pid=,stat=,args= | ZW_PROGRAM=$installed_program awk '$2 !~ /^Z/ {
        pid = $1; sub(/^ *[0-9]+ +[^ ]+ +/, ""); if ($0 == ENVIRON["ZW_PROGRAM"]) print pid }'); do
        prefix=$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | sed -n 's/^WINEPREFIX=//p')
        [ -n "$prefix" ] && [ "$(realpath -m "$prefix")" = "$(realpath -m "$WINEPREFIX")" ] && n=$((n + 1))
    done
    echo "$n"
}
# until_running N: waits up to 30 s for N copies (no longer than that takes;
# a start under load took more than 10 s); fails if they never come.
until_running() {
    for _ in $(seq 300); do [ "$(running)" = "$1" ] && return; sleep 0.1; done
    return 1
}
# Starts the installed program as the log-on start does, and waits for its
# main window.
start_installed() {
    wine "$installed_program" &
    zapwick_pid=$!
    wine "$ZW_BUILD_DIR/bin/probe.exe" wait zapwick >/dev/null ||
        { fail "the installed Zapwick did not come up"; exit 1; }
}
# Whether that program ended within 5 s (the installer has already waited for
# it), and cleanly, by itself: one that the installer had to end exits with 1.
ended_when_asked() {
    local status=0
    timeout 5 tail --pid="$zapwick_pid" -f /dev/null || return 1
    wait "$zapwick_pid" || status=$?
    zapwick_pid=
    [ "$status" = 0 ]
}

# What a removal must give back: every file under drive_c, and the registry
# where Windows Installer, the package, Task Manager and the program write
# (Wine's own settings under HKCU\Software\Wine change by themselves).
snapshot() {
    (cd "$drive_c" && find . | grep -v '^\./windows/temp/' | LC_ALL=C sort) >"$1.files"
    local key
    for key in HKCU 'HKLM\Software\Microsoft\Windows\CurrentVersion' 'HKLM\Software\Morvane' \
        'HKLM\Software\Classes\Installer' 'HKLM\SYSTEM\ControlSet001\Services\Messenger'; do
        wine reg export "$key" export.reg /y >/dev/null 2>&1 || { echo "(no $key)" && continue; }
        iconv -f UTF-16 -t UTF-8 export.reg | tr -d '\r' |
            awk 'index($0, "[") == 1 { skip = index($0, "[HKEY_CURRENT_USER\\Software\\Wine") == 1 } !skip'
    done >"$1.registry"
}

# The prefix is the tests' own, and each test sets the settings and the
# Messenger value it needs: only the packages go.
trap 'zw_stop "$zapwick_pid"; remove_all_zapwick; zw_stop "$desktop_pid"; rm -rf "$scratch"' EXIT
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"
# A real session keeps its desktop. Under Wine the desktop's process ends
# once no program that it counts is left, even while one that Explorer
# started still runs: that one would have no window left to be asked to close.
wine "$ZW_BUILD_DIR/bin/probe.exe" desktop >desktop.txt &
desktop_pid=$!
for _ in $(seq 100); do grep -q holding desktop.txt && break; sleep 0.1; done

# The older package: a lower version of the same source, whose program file
# differs as a real older release's would (bytes after a PE image are ignored).
cp "${files[0]}" old-zapwick.exe
printf 'Zapwick 0.0.0, an older build' >>old-zapwick.exe
bash "$root/packaging/build-msi.sh" new.msi "$arch" "$version" "${files[@]}" "$icon" "$actions"
bash "$root/packaging/build-msi.sh" old.msi "$arch" 0.0.0 old-zapwick.exe "${files[@]:1}" "$icon" "$actions"
bash "$root/packaging/build-msi.sh" again.msi "$arch" "$version" "${files[@]}" "$icon" "$actions"
check "the same inputs give the same package" cmp -s new.msi again.msi
{ cat "${files[3]}"; echo; } >LICENSE
bash "$root/packaging/build-msi.sh" other.msi "$arch" "$version" "${files[@]:0:3}" LICENSE "$icon" "$actions"
codes() { msiinfo suminfo "$1" | grep UUID; msiinfo export "$1" Property | grep ProductCode; }
expect_equal "one changed byte gives other package and product codes" "" "$(codes new.msi | grep -xFf - <(codes other.msi))"
# Windows Installer's own rules, where the tables show them. Only a deferred
# action (0x400) may run without impersonation (0x800: ICE68). A component
# installed for one user is kept by a value of the user's (ICE38, ICE43); one
# for either scope by a value of the installation's (HKMU, -1, of either scope:
# see docs/releasing.md).
msiinfo export new.msi CustomAction | tr -d '\r' >actions.txt
check "no immediate action is marked to run without impersonation" \
    awk 'NR > 3 && int($2 / 2048) % 2 && !(int($2 / 1024) % 2) { bad = 1 } END { exit bad }' actions.txt
msiinfo export new.msi Registry | tr -d '\r' >registry.txt
msiinfo export new.msi Component | tr -d '\r' >components.txt
check "every component is kept by a registry value of the installation's scope" awk -F'\t' '
    FNR == NR { if (FNR > 3) root[$1] = $2; next }
    FNR > 3 && (int($4 / 4) % 2 == 0 || root[$6] != -1) { bad = 1 } END { exit bad }' registry.txt components.txt
IFS=';' read -r local_appdata program_files < <(wine cmd /c 'echo %LOCALAPPDATA%;%ProgramFiles%' | tr -d '\r')
drive_c=$(wine winepath -u 'C:\' | tr -d '\r')
names=(zapwick.exe help.chm README.txt LICENSE)
run_key='Software\Microsoft\Windows\CurrentVersion\Run'
approved='Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved'

# A clean start: no Zapwick installed, no settings. Windows Installer keeps its
# own records in keys and folders that it makes at its first use in a scope
# and keeps, empty, afterwards: one installation and removal in each scope
# first, so that the comparison sees only what the package leaves. Then the
# Messenger service's key as the program leaves it (disabled), and Task
# Manager's keys, which Windows always has.
remove_all_zapwick
wine reg delete 'HKCU\Software\Morvane' /f >/dev/null 2>&1 || true
for props in 'ALLUSERS=""' ALLUSERS=1; do
    wine msiexec /i new.msi $props /qn && remove_all_zapwick || { fail "a first installation failed"; exit 1; }
done
# For a user whose name the code page cannot spell, the upgrade finds the
# Zapwick that runs from the folder and closes it.
installed_program='C:\users\Łukasz Żółć 日本\Zapwick\zapwick.exe'
installs "installing for such a user" /i old.msi 'ALLUSERS=""' INSTALLDIR="${installed_program%zapwick.exe}" /qn
start_installed
installs "upgrading there" /i new.msi 'ALLUSERS=""' /qn
check "the upgrade closed the Zapwick running there" ended_when_asked
check "and stayed in its folder" cmp -s "${files[0]}" "$(wine winepath -u "$installed_program" | tr -d '\r')"
elsewhere='C:\Zapwick elsewhere\'
installs "another build of that version, told to go elsewhere" /i other.msi 'ALLUSERS=""' INSTALLDIR="$elsewhere" /qn
# (Wine leaves the first one's files: it removes a user's dual-purpose
# installation inside an upgrade in the machine's context.)
check "it went there" cmp -s LICENSE "$(wine winepath -u "${elsewhere}LICENSE" | tr -d '\r')"
remove_all_zapwick
wine reg add 'HKLM\SYSTEM\ControlSet001\Services\Messenger' /v Start /t REG_DWORD /d 4 /f >/dev/null
for key in "HKCU\\$approved\\Run" "HKLM\\$approved\\Run" "HKLM\\$approved\\Run32"; do wine reg add "$key" /f >/dev/null; done
snapshot before

for scope in user machine; do
    if [ $scope = user ]; then
        props=('ALLUSERS=""') hive=HKCU own_folder="$local_appdata\\Programs\\Zapwick\\" approvals=(Run)
        products='HKCU\Software\Microsoft\Installer\Products'
    else
        props=(ALLUSERS=1) hive=HKLM own_folder="$program_files\\Zapwick\\" approvals=(Run Run32)
        products='HKLM\Software\Classes\Installer\Products'
    fi
    folder="C:\\Zapwick for the $scope\\" installed_program="${folder}zapwick.exe"
    say "for the $scope:"

    installs "installing the old package" /i old.msi "${props[@]}" INSTALLDIR="$folder" ZW_UPDATEREMINDER=0 /qn
    expect_equal "a silent installation starts no Zapwick" 0 "$(running)"
    reminder() { value_of "$hive\\Software\\Morvane\\Zapwick" UpdateReminder; }
    expect_equal "ZW_UPDATEREMINDER=0 switches the reminder off for the $scope" 0x0 "$(reminder)"
    if [ $scope = machine ]; then  # where an installation of the other architecture records it
        wine reg delete "$hive\\Software\\Morvane\\Zapwick" /v UpdateReminder /f >/dev/null
        wine reg add "$hive\\Software\\Morvane\\Zapwick" /v UpdateReminder /t REG_DWORD /d 0 /f /reg:32 >/dev/null
    fi
    start_installed
    installs "the upgrade" /i new.msi "${props[@]}"
    check "the upgrade closed the running Zapwick" ended_when_asked
    until_running 1 || true  # Explorer may still be starting it
    expect_equal "and started one" 1 "$(running)"
    unix_folder=$(wine winepath -u "$folder" | tr -d '\r')
    # Before installing again: Wine's reinstallation copies every file anew.
    check "the upgrade put the new zapwick.exe in place" cmp -s "${files[0]}" "$unix_folder/zapwick.exe"
    expect_equal "and kept the reminder's switch" 0x0 "$(reminder)"
    entry=$(zapwick_entries)
    expect_equal "one entry in Programs and Features after the upgrade" 1 "$(grep -c . <<<"$entry")"
    # A copy on another desktop of this session, whose windows the installer
    # cannot see: like one in another session where there is no Restart Manager.
    wine explorer /desktop=zwother,640x480 "$installed_program" &
    check "a copy runs on another desktop" until_running 2
    installs "installing the same package again" /i new.msi "${props[@]}" ZW_NOSTART=1 /l*v again.log
    expect_equal "installing it again keeps the one entry" "$entry" "$(zapwick_entries)"
    until_running 1 || true  # the Linux process outlives the Windows one, longer under load
    expect_equal "it closed the copy on this desktop, started none, and left the other" 1 "$(running)"
    check "the log names the copy left running" grep -q "could not be asked to close" again.log
    wine taskkill /f /im zapwick.exe >/dev/null
    zw_stop $!

    expect_equal "the folder holds the four files" "LICENSE README.txt help.chm zapwick.exe" \
        "$(cd "$unix_folder" && LC_ALL=C ls -A | tr '\n' ' ' | sed 's/ $//')"
    for i in "${!names[@]}"; do
        check "${names[i]} is the build's" cmp -s "${files[i]}" "$unix_folder/${names[i]}"
    done
    expect_equal "one Start menu shortcut, to the installed program" "1 1" \
        "$(find "$drive_c" -name Zapwick.lnk | wc -l) $(find "$drive_c" -name Zapwick.lnk \
            -exec grep -a -l -F "$installed_program" {} + | wc -l)"
    expect_equal "the log-on start runs the installed program" "\"$installed_program\"" \
        "$(value_of "$hive\\$run_key" Zapwick)"
    expect_equal "the folder's record" "$folder" "$(value_of "$hive\\Software\\Morvane\\Zapwick" InstallFolder)"
    check "the registration is the $scope's" grep -q "ProductName    REG_SZ    Zapwick" <(q "$products" /s)
    expect_equal "the entry's version" "$version" "$(value_of "$entry" DisplayVersion)"
    expect_equal "the entry's publisher" Morvane "$(value_of "$entry" Publisher)"
    expect_equal "the entry's folder" "$folder" "$(value_of "$entry" InstallLocation)"

    # Task Manager's record that the user switched the log-on start off.
    for key in "${approvals[@]}"; do
        wine reg add "$hive\\$approved\\$key" /v Zapwick /t REG_BINARY /d 030000000000000000000000 /f >/dev/null
    done
    installs "a removal inside an upgrade" /x "${entry##*\\}" "${props[@]}" /qn UPGRADINGPRODUCTCODE="{00000000-0000-0000-0000-000000000001}"
    expect_equal "it keeps the record of the user's choice" "${#approvals[@]}" "$(records)"

    installs "installing it again" /i new.msi "${props[@]}" /qn /l*v install.log
    installed_program="${own_folder}zapwick.exe"  # nothing recorded now: the scope's own folder
    start_installed
    wine reg add 'HKCU\Software\Morvane\Zapwick\Setup' /v t_first_update /t REG_DWORD /d 1 /f >/dev/null ||
        fail "reg could not write the user's setting"
    installs "the removal" /x "${entry##*\\}" "${props[@]}"
    check "the removal closed the running Zapwick" ended_when_asked
    expect_equal "and started none" 0 "$(running)"
    if [ $scope = machine ]; then
        expect_equal "the user's own setting stays" 0x1 \
            "$(value_of 'HKCU\Software\Morvane\Zapwick\Setup' t_first_update)"
        wine reg delete 'HKCU\Software\Morvane' /f >/dev/null
    fi
    snapshot after
    check "no file of the package is left" diff before.files after.files
    check "no registry key or value of the package is left" diff before.registry after.registry
done
finish
