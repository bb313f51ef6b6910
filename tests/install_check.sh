#!/usr/bin/env bash
# Installs the built program into a temporary prefix and checks that a desktop would find it.
set -euo pipefail
build_dir=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for file in bin/psa-graph share/applications/psa-graph.desktop share/icons/hicolor/scalable/apps/psa-graph.svg; do
    [ -e "$prefix/$file" ] || { echo "missing after install: $file"; exit 1; }
done
[ -x "$prefix/bin/psa-graph" ] || { echo "bin/psa-graph is not executable"; exit 1; }
desktop-file-validate "$prefix/share/applications/psa-graph.desktop"
grep -q '^Icon=psa-graph$' "$prefix/share/applications/psa-graph.desktop"
grep -q '^Name\[ja\]=' "$prefix/share/applications/psa-graph.desktop"
echo "installed files present and the desktop entry is valid"
