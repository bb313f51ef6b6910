#!/usr/bin/env bash
# psa-graph.exe and its zip as they are released: the executable imports only Windows' own DLLs, has ASLR
# (with high-entropy addresses) and no-execute data, carries the stack protector and the checked library
# calls of libssp, and has no link time stamp; the zip holds exactly that executable, with the release's date
# as its entry time and no extra fields. Together with the build's flags this is what makes two builds of one
# commit byte for byte the same, checked without a second build.
#
#   release_files_check.sh <psa-graph.exe> <its link map> <zip> <release date YYYY-MM-DD> <objdump for PE files>
set -uo pipefail
exe=${1:?psa-graph.exe}
map=${2:?link map}
zip=${3:?zip}
release_date=${4:?release date}
objdump=${5:?objdump}
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
for tool in "$objdump" unzip zipinfo od; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing: run scripts/install-deps"; exit 1; }
done

# Little-endian unsigned number of `size` bytes at `offset`.
number_at() { od -An -t "u$2" -j "$1" -N "$2" "$exe" | tr -d ' '; }
pe=$(number_at 60 4)
[ "$(od -An -c -j "$pe" -N 4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || { echo "FAIL: $exe is no PE file"; exit 1; }
timestamp=$(number_at $((pe + 8)) 4)
[ "$timestamp" = 0 ] || fail "the PE header has the time stamp $timestamp"
# DllCharacteristics of the PE32+ optional header: HIGH_ENTROPY_VA 0x20, DYNAMIC_BASE 0x40, NX_COMPAT 0x100.
characteristics=$(number_at $((pe + 24 + 70)) 2)
for flag in 32:HIGH_ENTROPY_VA 64:DYNAMIC_BASE 256:NX_COMPAT; do
    [ $((characteristics & ${flag%%:*})) != 0 ] || fail "psa-graph.exe lacks ${flag#*:}"
done

# Anything else would have to ship beside the executable.
imports=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $imports; do
    case $dll in
    kernel32.dll | user32.dll | gdi32.dll | comdlg32.dll | shell32.dll | msvcrt.dll | advapi32.dll) ;;
    *) fail "psa-graph.exe imports $dll, which Windows does not bring" ;;
    esac
done

# The stripped executable does not show what its code calls; the link map's cross reference table does. The
# program's own objects (its libraries and main) must use the stack protector's guard and checked calls.
own_references=$(awk '
    /^Cross Reference Table/ { table = 1; next }
    table && /^[^ ]/ { symbol = $1; next }
    table && ($1 ~ /(^|\/)libpsa_[a-z0-9_]+\.a\(/ || $1 ~ /psa-graph\.dir\//) { print symbol }' "$map" | sort -u)
grep -qx '__stack_chk_guard' <<<"$own_references" || fail "psa-graph.exe has no stack protector"
checked=$(grep -E '^__[a-z]+_chk$' <<<"$own_references" | grep -v '^__stack_chk' | tr '\n' ' ')
[ -n "$checked" ] || fail "psa-graph.exe has no checked library calls"
grep -qa 'stack smashing detected' "$exe" || fail "psa-graph.exe lacks libssp's handler"

entries=$(unzip -Z1 "$zip" 2>&1)
[ "$entries" = psa-graph.exe ] || fail "the zip holds '$entries', not psa-graph.exe alone"
unzip -p "$zip" psa-graph.exe | cmp -s - "$exe" || fail "the zip's psa-graph.exe is not the built one"
entry_time=$(zipinfo -T "$zip" psa-graph.exe | awk '{ print $(NF - 1) }')
[ "$entry_time" = "${release_date//-/}.000000" ] || fail "the zip's entry time is $entry_time, not $release_date 00:00"
zipinfo -v "$zip" | grep -q 'length of extra field: *[1-9]' && fail "the zip's entry has extra fields (owner, times)"

[ "$failed" = 0 ] || exit 1
echo "PASS: psa-graph.exe ($(stat -c %s "$exe") bytes) imports only $(echo $imports | tr ' ' ','), has no time stamp, ASLR, NX, the stack protector and checked calls ($checked); the zip has it alone, dated $release_date"
