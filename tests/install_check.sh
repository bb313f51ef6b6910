#!/usr/bin/env bash
# Installs the built program into a temporary prefix and checks that a desktop, a software centre and man
# would find it: the program, its desktop entry (offered for CSV files), icon, AppStream metadata and manual
# page, and the licence; then builds the Debian package and checks that it carries the same files, that its
# program is stripped, hardened and searches no folder of its own for libraries, and that Lintian finds no
# error and no warning in it.
#
#   install_check.sh <build folder>
set -euo pipefail
build_dir=$(cd "${1:?build folder}" && pwd)
app_id=io.github.psa_graph.psa_graph
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/tests/elf_checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
# The sanitizer builds are not hardened, and a Debug build cannot fortify library calls.
hardened=ON
grep -qE '^PSA_(SANITIZE|FUZZ):BOOL=ON$' "$build_dir/CMakeCache.txt" && hardened=OFF
fortified=hardened
grep -q '^CMAKE_BUILD_TYPE:STRING=Debug$' "$build_dir/CMakeCache.txt" && fortified=unfortified

fail() {
    echo "FAIL: $*"
    exit 1
}
for tool in desktop-file-validate appstreamcli man dpkg-deb dpkg-parsechangelog cpack lintian readelf; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps"
done

files=(
    bin/psa-graph
    share/applications/$app_id.desktop
    share/metainfo/$app_id.metainfo.xml
    share/icons/hicolor/scalable/apps/psa-graph.svg
    share/man/man1/psa-graph.1.gz
    share/doc/psa-graph/copyright
    share/doc/psa-graph/changelog.gz
)

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for file in "${files[@]}"; do
    [ -e "$prefix/$file" ] || fail "missing after install: $file"
done
[ -x "$prefix/bin/psa-graph" ] || fail "bin/psa-graph is not executable"
elf_has_no_search_path "$prefix/bin/psa-graph" || fail "the installed program may load libraries from its own folders"
[ "$hardened" != ON ] || elf_is_hardened "$prefix/bin/psa-graph" "$fortified" || fail "the installed program is not hardened"

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

# The licence, MIT, in the copyright file as Debian's Expat and in the metadata.
copyright=$prefix/share/doc/psa-graph/copyright
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' "$copyright" ||
    fail "the copyright file is not in Debian's machine-readable format"
grep -q '^Copyright: 2026 The psa-graph developers$' "$copyright" || fail "the copyright file names another holder"
license_text=$(sed -n '/^License: Expat$/,$p' "$copyright" | sed -n '/^ /,$p' | sed 's/^ //; s/^\.$//')
[ "$license_text" = "$(tail -n +5 "$source_dir/LICENSE")" ] || fail "the copyright file's licence is not the text of LICENSE"
grep -q '^Copyright (c) 2026 The psa-graph developers$' "$source_dir/LICENSE" || fail "LICENSE names another holder"
grep -q '<project_license>MIT</project_license>' "$prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "the AppStream metadata does not give the licence MIT"

# The installed program answers without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/psa-graph" --version) || fail "psa-graph --version failed"
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$prefix/share/metainfo/$app_id.metainfo.xml" | head -n 1)
[ "$version" = "psa-graph $release" ] ||
    fail "psa-graph --version says \"$version\", not the version of the newest release in the metadata"
zcat "$prefix/share/doc/psa-graph/changelog.gz" >"$work/changelog" || fail "the changelog is not gzip-compressed"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version) || fail "the changelog cannot be read"
[ "$version" = "psa-graph $changelog_version" ] ||
    fail "the changelog's newest entry is for $changelog_version, the program is \"$version\""

# The package carries the same files under /usr.
(cd "$work" && cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/package" >/dev/null) ||
    fail "cpack could not build the package"
deb=$(ls "$work"/package/*.deb)
dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/contents"
for file in "${files[@]}"; do
    grep -qx "./usr/$file" "$work/contents" || fail "the package does not carry /usr/$file"
done
dpkg-deb -x "$deb" "$work/unpacked"
packaged=$work/unpacked/usr/bin/psa-graph
elf_has_no_search_path "$packaged" || fail "the packaged program may load libraries from its own folders"
elf_is_stripped "$packaged" || fail "the packaged program is not stripped"
[ "$hardened" != ON ] || elf_is_hardened "$packaged" "$fortified" || fail "the packaged program is not hardened"

# Lintian keeps its caches in TMPDIR. Hardening notes are information only, and expected of the sanitizer builds.
TMPDIR=$work lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 ||
    fail "Lintian finds errors or warnings in the package: $(cat "$work/lintian.txt")"
[ "$hardened" != ON ] || ! grep -q ': hardening-' "$work/lintian.txt" ||
    fail "Lintian finds the package's program not hardened: $(cat "$work/lintian.txt")"
grep '^[EWI]:' "$work/lintian.txt" || true
echo "installed files and package contents present; desktop entry, AppStream metadata and manual page valid;"
echo "the packaged program stripped$([ "$hardened" != ON ] || echo ", hardened") and without a library search path; no error or warning from Lintian"
