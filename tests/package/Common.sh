# Sourced by the package tests: the Wine environment of the build tree that
# ZW_ARCH and ZW_BUILD_DIR name, the desktop, and checks that report a failure
# and go on; `finish` ends the test with the count.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/wine-env.sh"
zw_on_desktop "$0" "$@"
failures=0 started=$SECONDS
say() { echo "$(basename "$0" .sh) ($ZW_ARCH): $*"; }
fail() {
    say "FAILED: $*" >&2
    failures=$((failures + 1))
}
# check WHAT COMMAND...
check() {
    local what=$1
    shift
    if "$@"; then say "ok: $what"; else fail "$what"; fi
}
# expect_equal WHAT EXPECTED ACTUAL
expect_equal() {
    if [ "$2" = "$3" ]; then say "ok: $1"; else fail "$1: expected [$2], got [$3]"; fi
}
finish() {
    say "$failures failed checks, $((SECONDS - started)) s"
    [ "$failures" = 0 ]
}
