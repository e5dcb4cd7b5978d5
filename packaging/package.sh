#!/usr/bin/env bash
# package.sh OUTPUT_DIR BUILD_DIR...: what users download, from each built
# tree: Zapwick-<version>-<arch>.zip (zapwick.exe, help.chm, README.txt,
# LICENSE) and the Windows Installer package of the same files,
# Zapwick-<version>-<arch>.msi, the administrative templates for Group Policy,
# Zapwick-<version>-policy-templates.zip, then SHA256SUMS for all of them. With
# ZW_SIGN_PFX and ZW_SIGN_PASSWORD (see sign.sh), the program and the
# installer's DLL are signed before they are packed, and the .msi after. Two
# runs on trees of one commit give the same bytes (see source-date-epoch.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/source-date-epoch.sh"
if [ $# -lt 2 ]; then
    sed -n '2,9s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
out=$(mkdir -p "$1" && cd "$1" && pwd)
shift
if [ -n "${ZW_SIGN_PFX:-}" ] && [ -n "${ZW_SIGN_PASSWORD+set}" ]; then
    sign() { bash "$here/sign.sh" "$@"; }
    echo "package: signing with $ZW_SIGN_PFX${ZW_SIGN_TIMESTAMP_URL:+, time-stamped by $ZW_SIGN_TIMESTAMP_URL}"
else
    sign() { :; }
    echo "package: not signed (set ZW_SIGN_PFX and ZW_SIGN_PASSWORD to sign)"
fi

# chmcmd writes the time of day of its run, in milliseconds, into the ITSF
# header (big-endian) and into the #SYSTEM file's entry 10 (little-endian);
# both become that of SOURCE_DATE_EPOCH. #SYSTEM lies in the uncompressed
# section 0, whose place the header gives (offset 0x58); chmls gives the
# file's place in it.
chm_set_time() {
    local chm=$1 ms=$(((SOURCE_DATE_EPOCH % 86400) * 1000)) section0 system at code length
    u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
    put() { printf "$(printf '\\x%02x' "$@")" | dd of="$chm" bs=1 seek="$at" conv=notrunc status=none; }
    at=16
    put $((ms >> 24 & 255)) $((ms >> 16 & 255)) $((ms >> 8 & 255)) $((ms & 255))
    section0=$(u32 "$chm" 88)
    system=$(chmls list "$chm" 2>/dev/null | awk '$4 == "/#SYSTEM" { print $2 }')
    at=$((section0 + system + 4))
    while :; do
        code=$(od -An -tu2 -j "$at" -N2 "$chm" | tr -d ' ')
        length=$(od -An -tu2 -j $((at + 2)) -N2 "$chm" | tr -d ' ')
        [ -n "$code" ] || { echo "package: no time in $chm's #SYSTEM" >&2; return 1; }
        at=$((at + 4))
        [ "$code" = 10 ] && break
        at=$((at + length))
    done
    put $((ms & 255)) $((ms >> 8 & 255)) $((ms >> 16 & 255)) $((ms >> 24 & 255))
}

made=()
for tree in "$@"; do
    # package_name, version, arch, files, icon and actions of the tree.
    source "$tree/packaging/package-inputs.sh"
    stage=$(mktemp -d "$out/.stage.XXXXXX")
    names=(zapwick.exe help.chm README.txt LICENSE)
    for i in "${!names[@]}"; do cp "${files[i]}" "$stage/${names[i]}"; done
    cp "$actions" "$stage/installeractions.dll"
    chm_set_time "$stage/help.chm"
    sign "$stage/zapwick.exe" "$stage/installeractions.dll"
    # Fixed order, modes and times, and no extra fields (owners, access
    # times): the same files give the same archive.
    chmod 644 "$stage"/*
    touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
    rm -f "$out/$package_name.zip"
    (cd "$stage" && zip -q -X -D "$out/$package_name.zip" "${names[@]}")
    bash "$here/build-msi.sh" "$out/$package_name.msi" "$arch" "$version" \
        "${names[@]/#/$stage/}" "$icon" "$stage/installeractions.dll"
    sign "$out/$package_name.msi"
    rm -rf "$stage"
    made+=("$package_name.zip" "$package_name.msi")
    echo "package: $out/$package_name.zip, $out/$package_name.msi"
done
# The administrative templates for Group Policy and Intune, one archive for
# both architectures, laid out as a PolicyDefinitions folder takes them.
templates=(Zapwick.admx en-US/Zapwick.adml)
stage=$(mktemp -d "$out/.stage.XXXXXX")
mkdir "$stage/en-US"
for file in "${templates[@]}"; do cp "$here/policy/$file" "$stage/$file"; done
chmod 644 "${templates[@]/#/$stage/}"
touch -d "@$SOURCE_DATE_EPOCH" "${templates[@]/#/$stage/}"
templates_zip=${package_name%-"$arch"}-policy-templates.zip
rm -f "$out/$templates_zip"
(cd "$stage" && zip -q -X -D "$out/$templates_zip" "${templates[@]}")
rm -rf "$stage"
made+=("$templates_zip")
echo "package: $out/$templates_zip"
(cd "$out" && sha256sum "${made[@]}" >SHA256SUMS)
echo "package: $out/SHA256SUMS"
