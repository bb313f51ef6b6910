#!/usr/bin/env bash
# The programs of a build: no library search path in any of them (the program, the tests, the benchmarks),
# and psa-graph hardened as the package ships it. Then the case that a search path would open: a library
# named like one psa-graph loads, planted in the folder a user starts it from, must not be loaded.
#
#   built_programs_check.sh <build folder> <planted libQt6Widgets.so.6> <hardening>
#
# hardening: "hardened", "unfortified" (a hardened Debug build) or "none" (the sanitizer builds).
set -uo pipefail
build_dir=$(cd "${1:?build folder}" && pwd)
planted=$(realpath "${2:?planted library}")
hardening=${3:?hardened, unfortified or none}
program=$build_dir/psa-graph
source "$(dirname "$0")/elf_checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

checked=0
with_path=0
while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    checked=$((checked + 1))
    elf_has_no_search_path "$file" || with_path=$((with_path + 1))
done < <(find "$build_dir" -path '*/CMakeFiles' -prune -o -type f \( -perm -u+x -o -name '*.so*' \) -print0)
[ "$checked" -ge 3 ] || fail "only $checked programs found in $build_dir"
if [ "$with_path" = 0 ]; then
    echo "ok   no RPATH or RUNPATH in the $checked programs and libraries of the build"
else
    fail "$with_path of the $checked programs and libraries have a library search path"
fi

if [ "$hardening" != none ]; then
    elf_is_hardened "$program" "$hardening" && echo "ok   psa-graph: PIE, RELRO, BIND_NOW, no executable stack, stack protector, fortified calls" ||
        failed=1
fi

# The folder a user keeps record files in and starts the program from.
folder=$work/records
mkdir "$folder"
cp "$planted" "$folder/libQt6Widgets.so.6"
printf ' 2004, 11, 4.2\r\n' >"$folder/records.csv"
run_in_folder() { (cd "$folder" && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$@" 2>&1); }

# The stand-in works: loaded, it leaves its mark and the program still runs.
output=$(run_in_folder env LD_LIBRARY_PATH="$folder" "$program" --version)
[ -e "$folder/planted-library-ran" ] || fail "the planted library left no mark when loaded on purpose: $output"
grep -q '^psa-graph ' <<<"$output" || fail "psa-graph did not run with the planted library loaded: $output"
rm -f "$folder/planted-library-ran"

output=$(run_in_folder "$program" --version)
grep -q '^psa-graph ' <<<"$output" || fail "psa-graph --version in the folder: $output"
if [ -e "$folder/planted-library-ran" ]; then
    fail "psa-graph loaded the libQt6Widgets.so.6 planted in the folder it was started from"
else
    echo "ok   a libQt6Widgets.so.6 in the folder psa-graph is started from is not loaded"
fi

[ "$failed" = 0 ] && echo "PASS: the built programs search no folder of their own for libraries" || exit 1
