#!/usr/bin/env bash
# build-msi.sh OUTPUT ARCH VERSION PROGRAM HELP README LICENSE ICON ACTIONS:
# builds Zapwick's Windows Installer package OUTPUT (.msi) for ARCH (win32 or
# win64) with product version VERSION (major.minor.patch) from zapwick.wxs,
# with wixl. PROGRAM, HELP, README and LICENSE are the files that it installs,
# ICON is shown in Programs and Features and ACTIONS is the installer's own
# DLL (installeractions.dll). The same inputs give the same bytes (see
# source-date-epoch.sh). packaging/package.sh and the package tests use it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/source-date-epoch.sh"
if [ $# -ne 9 ]; then
    sed -n '2,8s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
output=$1 arch=$2 version=$3
shift 3

case "$arch" in
    win32) wixl_arch=x86 win64=no program_files=ProgramFilesFolder ;;
    win64) wixl_arch=x64 win64=yes program_files=ProgramFiles64Folder ;;
    *) echo "build-msi.sh: ARCH must be win32 or win64, not '$arch'" >&2; exit 2 ;;
esac
if ! [[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]]; then
    echo "build-msi.sh: VERSION must be major.minor.patch, not '$version'" >&2
    exit 2
fi
# Windows Installer compares three fields; see the Upgrade table.
upgrade_below="${BASH_REMATCH[1]}.${BASH_REMATCH[2]}.$((BASH_REMATCH[3] + 1))"

# The maker's site and the product page, as the program itself names them.
site_h="$here/../src/res/MakerSite.h"
maker_host=$(sed -n 's/^#define MAKER_HOST "\([^"]*\)"$/\1/p' "$site_h")
product_path=$(sed -n 's/^#define MAKER_PRODUCT_PAGE "http:\/\/" MAKER_HOST "\([^"]*\)"$/\1/p' "$site_h")
if [ -z "$maker_host" ] || [ -z "$product_path" ]; then
    echo "build-msi.sh: no MAKER_HOST or MAKER_PRODUCT_PAGE in src/res/MakerSite.h" >&2
    exit 1
fi

# The name-based (SHA-1, RFC 4122 version 5) UUID of $1 in the namespace of
# the upgrade code: the product and package codes follow from what the package
# is made of instead of being drawn at random.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$here/zapwick.wxs")
uuid5() {
    local hex
    hex=$({ printf "$(tr -d - <<<"$upgrade_code" | sed 's/../\\x&/g')"; printf %s "$1"; } |
        sha1sum | tr a-f A-F)
    printf '%s-%s-5%s-%X%s-%s\n' "${hex:0:8}" "${hex:8:4}" "${hex:13:3}" \
        $(((0x${hex:16:1} & 3) | 8)) "${hex:17:3}" "${hex:20:12}"
}

# wixl finds files only relative to the folder it runs in, so they are staged
# under the names that the source uses, all with the one time stamp that the
# cabinet records.
mkdir -p "$(dirname "$output")"
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
stage=$(mktemp -d "$output.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
names=(zapwick.exe help.chm README.txt LICENSE zapwick.ico installeractions.dll)
for i in "${!names[@]}"; do
    cp "${@:i+1:1}" "$stage/${names[i]}"
done
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
size_kb=$(cd "$stage" && stat -c %s "${names[@]:0:4}" | awk '{ s += $1 } END { print int((s + 1023) / 1024) }')
# Two packages that differ in any byte (a signed and an unsigned build of one
# version, builds from two commits) must not share a package code: Windows
# Installer would take the one that it cached for the other. Nor a product
# code, or the second would find "another version of this product" installed
# instead of replacing it. The source is part of what the package holds.
made_of="$arch $version $(cd "$stage" && sha256sum "${names[@]}" "$here/zapwick.wxs" "$site_h" "$0" | cut -c1-64 | tr '\n' ' ')"
rm -f "$output"
# wixl writes the build's time into the summary information, and a random
# package code; faketime gives it the commit's time, msibuild the package code.
# The clock stands still there ("i0"): a clock that started at the commit's
# time and ran would give another second to a build that takes longer.
# wixl also writes HKMU (the user's or the machine's, as the installation
# goes) as 4, which Windows Installer does not know: its number is -1.
at_commit="@$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S') i0"
(cd "$stage" && faketime -f "$at_commit" wixl -a "$wixl_arch" -D Version="$version" \
    -D UpgradeBelow="$upgrade_below" -D ProductCode="$(uuid5 "product $made_of")" \
    -D Win64="$win64" -D ProgramFiles="$program_files" -D MakerSite="http://$maker_host/" \
    -D ProductPage="http://$maker_host$product_path" -D SizeKB="$size_kb" \
    -o "$output" "$here/zapwick.wxs")
# It cannot write a component's condition or mark a property secure either:
# the update reminder's switch goes in only where ZW_UPDATEREMINDER is given
# (or kept), and that and the recorded folders reach a machine-wide
# installation's server.
template=$(msiinfo suminfo "$output" | sed -n 's/^Template: //p')
secure=$(msiinfo export "$output" Property | tr -d '\r' | sed -n 's/^SecureCustomProperties\t//p')
faketime -f "$at_commit" msibuild "$output" -q 'UPDATE `Registry` SET `Root` = -1 WHERE `Root` = 4' \
    -q "UPDATE \`Component\` SET \`Condition\` = 'ZW_UPDATEREMINDER' WHERE \`Component\` = 'ReminderSwitch'" \
    -q "UPDATE \`Property\` SET \`Value\` = '${secure:+$secure;}ZW_UPDATEREMINDER;ZW_USERFOLDER;ZW_MACHINEFOLDER' WHERE \`Property\` = 'SecureCustomProperties'" \
    -s Zapwick Morvane "$template" "{$(uuid5 "package $made_of")}"
