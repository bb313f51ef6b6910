#!/usr/bin/env bash
# Installs the built program into a temporary prefix and checks that a desktop, a software centre and man
# would find it: the program, its desktop entry (offered for CSV files), icon, AppStream metadata and manual
# page; then builds the Debian package and checks that it carries the same files.
#
#   install_check.sh <build folder>
set -euo pipefail
build_dir=$(cd "${1:?build folder}" && pwd)
app_id=io.github.psa_graph.psa_graph
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
    echo "FAIL: $*"
    exit 1
}
for tool in desktop-file-validate appstreamcli man dpkg-deb cpack; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps"
done

files=(
    bin/psa-graph
    share/applications/$app_id.desktop
    share/metainfo/$app_id.metainfo.xml
    share/icons/hicolor/scalable/apps/psa-graph.svg
    share/man/man1/psa-graph.1.gz
)

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for file in "${files[@]}"; do
    [ -e "$prefix/$file" ] || fail "missing after install: $file"
done
[ -x "$prefix/bin/psa-graph" ] || fail "bin/psa-graph is not executable"

desktop=$prefix/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -q '^Icon=psa-graph$' "$desktop" || fail "the desktop entry names another icon"
grep -q '^Name\[ja\]=' "$desktop" || fail "the desktop entry has no Japanese name"
grep -q '^Exec=psa-graph %f$' "$desktop" || fail "the desktop entry does not pass the file to open"
grep -q '^MimeType=.*text/csv;' "$desktop" || fail "the desktop entry is not offered for CSV files"

# No network here: the screenshot's address is checked for its form only.
appstreamcli validate --no-net --pedantic --strict "$prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "the AppStream metadata is not valid"
appstreamcli validate-tree --no-net "$prefix" || fail "the installed tree is not valid for AppStream"

# The manual page renders without a single warning and has what a manual page must have.
manual=$work/manual.txt
LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man1/psa-graph.1.gz" \
    >"$manual" 2>"$work/man.err" || fail "man could not render the manual page"
[ ! -s "$work/man.err" ] || fail "the manual page renders with warnings: $(cat "$work/man.err")"
for section in NAME SYNOPSIS OPTIONS FILES 'EXIT STATUS'; do
    grep -q "^$section\$" "$manual" || fail "the manual page has no $section section"
done
for option in --export --help --version; do
    grep -q -- "$option" "$manual" || fail "the manual page does not describe $option"
done

# The installed program answers without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/psa-graph" --version) || fail "psa-graph --version failed"
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$prefix/share/metainfo/$app_id.metainfo.xml" | head -n 1)
[ "$version" = "psa-graph $release" ] ||
    fail "psa-graph --version says \"$version\", not the version of the newest release in the metadata"

# The package carries the same files under /usr.
(cd "$work" && cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/package" >/dev/null) ||
    fail "cpack could not build the package"
deb=$(ls "$work"/package/*.deb)
dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/contents"
for file in "${files[@]}"; do
    grep -qx "./usr/$file" "$work/contents" || fail "the package does not carry /usr/$file"
done
echo "installed files and package contents present; desktop entry, AppStream metadata and manual page valid"
