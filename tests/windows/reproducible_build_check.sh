#!/usr/bin/env bash
# Two builds of one commit give psa-graph.exe and its zip byte for byte the same: builds them once more from a
# copy of the sources in another, deeper folder (a new build folder, the release preset's settings, no tests)
# and compares with the ones given. Everything it builds lies in one temporary folder, removed afterwards.
#
#   reproducible_build_check.sh <source folder> <psa-graph.exe> <zip>
set -uo pipefail
source_dir=$(cd "${1:?source folder}" && pwd)
exe=$(realpath "${2:?psa-graph.exe}")
zip=$(realpath "${3:?zip}")
work=$(mktemp -d -t psa-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
copy=$work/another/source/folder
mkdir -p "$copy"

# The files of the commit and any changes to them, as a clean clone would have them.
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy") ||
    { echo "FAIL: could not copy the sources"; exit 1; }
(cd "$copy" && cmake --preset windows -DPSA_BUILD_TESTS=OFF >"$work/build.log" 2>&1 &&
    cmake --build --preset windows --target psa-graph psa-graph-zip >>"$work/build.log" 2>&1) ||
    { echo "FAIL: the second build failed"; cat "$work/build.log"; exit 1; }

failed=0
for built in "$exe" "$zip"; do
    again=$copy/build-windows/$(basename "$built")
    if cmp -s "$built" "$again"; then
        echo "ok   $(basename "$built"): the same bytes ($(sha256sum <"$built" | cut -c1-16)...)"
    else
        echo "FAIL $(basename "$built") differs between two builds: $(cmp "$built" "$again" | head -n 1)"
        failed=1
    fi
done
[ "$failed" = 0 ] && echo "PASS: psa-graph.exe and its zip are reproducible" || exit 1
