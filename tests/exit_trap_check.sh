#!/usr/bin/env bash
# scripts/test-windows must end with the status of its tests and leave nothing behind, however the Wine session
# ended: with no Wine server left (where `wineserver -k` fails), with one still running, and after failed tests.
# Runs the real script and the real prefix removal in a copy of scripts/ where installing packages, building,
# making the prefix (a bare folder instead of ten seconds of wineboot) and ctest are stand-ins.
#
#   exit_trap_check.sh <source folder>
#
# Exit status 0 when every case passes, 77 when Wine is not installed (skipped), 1 otherwise.
set -uo pipefail
source_dir=$(cd "${1:?source folder}" && pwd)
[ -x /usr/lib/wine/wineserver ] || { echo "SKIP: Wine is not installed"; exit 77; }

work=$(mktemp -d -t psa-trap-check.XXXXXX)
# Wine servers whose socket folder lies in this check's TMPDIR: left by the case under test.
servers_left() {
    local pid
    for pid in $(pgrep -x wineserver64; pgrep -x wineserver); do
        case $(readlink "/proc/$pid/cwd" 2>/dev/null) in "$work"/tmp/*) echo "$pid" ;; esac
    done
}
cleanup() {
    local pid
    for pid in $(servers_left); do kill "$pid"; done
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() {
    echo "FAIL $case_name: $*"
    failed=1
}

repo=$work/repo
mkdir -p "$repo/scripts" "$work/bin" "$work/tmp"
cp "$source_dir/scripts/test-windows" "$source_dir/scripts/wine-prefix" "$repo/scripts/"
mv "$repo/scripts/wine-prefix" "$repo/scripts/wine-prefix.real"
printf '#!/bin/sh\nexit 0\n' >"$repo/scripts/install-deps"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/cmake"
# A bare prefix folder; the removal is the real one.
cat >"$repo/scripts/wine-prefix" <<'EOF'
#!/bin/sh
[ "${1:-}" = --remove ] && exec "$(dirname "$0")/wine-prefix.real" "$@"
prefix=$(mktemp -d "$TMPDIR/prefix.XXXXXX") && echo "$prefix"
EOF
# The tests: note the prefix, leave a Wine server running when asked, and end with the given status.
cat >"$work/bin/ctest" <<'EOF'
#!/bin/sh
echo "$WINEPREFIX" >"$TMPDIR/prefix-used"
[ -n "$CHECK_SERVER" ] && /usr/lib/wine/wineserver -p
exit "$CHECK_STATUS"
EOF
chmod +x "$repo/scripts/"* "$work/bin/"*

# case name, status of the tests, whether a Wine server still runs when the trap comes
cases=(
    "passed, no Wine server left|0|"
    "passed, Wine server still running|0|1"
    "failed, no Wine server left|8|"
    "failed, Wine server still running|8|1"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r case_name tests_status server <<<"$entry"
    rm -f "$work/tmp/prefix-used"
    # A trap that waits for a server it did not end would hang.
    PATH=$work/bin:$PATH TMPDIR=$work/tmp CHECK_STATUS=$tests_status CHECK_SERVER=$server \
        timeout 30 "$repo/scripts/test-windows" >"$work/log" 2>&1
    status=$?
    prefix=$(cat "$work/tmp/prefix-used" 2>/dev/null)
    [ -n "$prefix" ] || fail "the tests did not run: $(cat "$work/log")"
    [ "$status" = "$tests_status" ] || fail "exit status $status, the tests ended with $tests_status: $(cat "$work/log")"
    [ ! -e "$prefix" ] || fail "the prefix $prefix is still there"
    left=$(find "$work/tmp" -mindepth 1 ! -name prefix-used)
    [ -z "$left" ] || fail "left in TMPDIR: $left"
    [ -z "$(servers_left)" ] || fail "a Wine server is still running: $(servers_left)"
    for pid in $(servers_left); do kill "$pid"; done
    rm -rf "${work:?}/tmp/"*
    echo "ok   $case_name: exit status $status, nothing left"
done
[ "$failed" = 0 ] && echo "PASS: test-windows keeps its tests' exit status and removes its Wine prefix" || exit 1
