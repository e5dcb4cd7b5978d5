#!/usr/bin/env bash
# build-msi.sh OUTPUT ARCH VERSION PROGRAM HELP README LICENSE ICON ACTIONS:
# builds Zapwick's Windows Installer package OUTPUT (.msi) for ARCH (win32 or
# win64) with product version VERSION (major.minor.patch) from zapwick.wxs,
# with wixl. PROGRAM, HELP, README and LICENSE are the files that it installs,
# ICON is shown in Programs and Features and ACTIONS is the installer's own
# DLL (installeractions.dll). `make package` and the package test both use it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -ne 9 ]; then
    sed -n '2,7s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
output=$1 arch=$2 version=$3
shift 3

case "$arch" in
    win32) wixl_arch=x86 win64=no ;;
    win64) wixl_arch=x64 win64=yes ;;
    *) echo "build-msi.sh: ARCH must be win32 or win64, not '$arch'" >&2; exit 2 ;;
esac
if ! [[ "$version" =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]]; then
    echo "build-msi.sh: VERSION must be major.minor.patch, not '$version'" >&2
    exit 2
fi
# Windows Installer compares three fields; see the Upgrade table.
upgrade_below="${BASH_REMATCH[1]}.${BASH_REMATCH[2]}.$((BASH_REMATCH[3] + 1))"

# The maker's site, as the program itself names it.
maker_host=$(sed -n 's/^#define MAKER_HOST "\([^"]*\)"$/\1/p' "$here/../src/res/MakerSite.h")
if [ -z "$maker_host" ]; then
    echo "build-msi.sh: no MAKER_HOST in src/res/MakerSite.h" >&2
    exit 1
fi

# wixl finds files only relative to the folder it runs in, so they are staged
# under the names that the source uses.
mkdir -p "$(dirname "$output")"
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
stage=$(mktemp -d "$output.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
names=(zapwick.exe help.chm README.txt LICENSE zapwick.ico installeractions.dll)
for i in "${!names[@]}"; do
    cp "${@:i+1:1}" "$stage/${names[i]}"
done
rm -f "$output"
(cd "$stage" && wixl -a "$wixl_arch" -D Version="$version" -D UpgradeBelow="$upgrade_below" \
    -D Win64="$win64" -D MakerSite="http://$maker_host/" -o "$output" "$here/zapwick.wxs")
