# Sourced by the packaging scripts: SOURCE_DATE_EPOCH, the one moment that
# every time stamp in a package is set to, so that two builds of one commit
# give the same bytes. As given, else the time of the commit being built,
# else (outside git) a fixed moment, 2026-01-01 00:00:00 UTC.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$(dirname "${BASH_SOURCE[0]}")" log -1 --format=%ct 2>/dev/null) ||
        SOURCE_DATE_EPOCH=
    : "${SOURCE_DATE_EPOCH:=1767225600}"
fi
export SOURCE_DATE_EPOCH
# Times that become local times in a package (ZIP and CAB entries) are
# written as UTC, whatever the build machine's zone.
export TZ=UTC
