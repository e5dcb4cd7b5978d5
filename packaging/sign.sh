#!/usr/bin/env bash
# sign.sh FILE...: signs each executable, DLL or .msi in place with Authenticode
# (SHA-256) by osslsigncode, with the certificate and private key of the
# PKCS#12 file ZW_SIGN_PFX, whose password is ZW_SIGN_PASSWORD; with
# ZW_SIGN_TIMESTAMP_URL, an RFC 3161 time-stamp server, the signature is
# time-stamped, so that it stays valid after the certificate expires.
set -euo pipefail
if [ $# -eq 0 ] || [ -z "${ZW_SIGN_PFX:-}" ] || [ -z "${ZW_SIGN_PASSWORD+set}" ]; then
    sed -n '2,6s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
# The maker's site, shown with the signature, as the program itself names it.
site=http://$(sed -n 's/^#define MAKER_HOST "\([^"]*\)"$/\1/p' "$(dirname "$0")/../src/res/MakerSite.h")/
timestamp=()
if [ -n "${ZW_SIGN_TIMESTAMP_URL:-}" ]; then timestamp=(-ts "$ZW_SIGN_TIMESTAMP_URL"); fi
for file in "$@"; do
    # The password goes through a pipe, never on a command line.
    osslsigncode sign -pkcs12 "$ZW_SIGN_PFX" -readpass <(printf %s "$ZW_SIGN_PASSWORD") \
        -h sha256 -n Zapwick -i "$site" "${timestamp[@]}" \
        -in "$file" -out "$file.signed" >/dev/null
    mv "$file.signed" "$file"
done
