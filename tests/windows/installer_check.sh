#!/usr/bin/env bash
# Installs psa-graph-setup.exe silently into a fresh Wine prefix and checks what it leaves: the program and its
# licence, the Start-menu shortcut, the uninstaller's entry and the "Open with" registration for .csv, which
# must start the program with the file, and nothing outside the prefix; then uninstalls and checks that all
# of it is gone.
#
#   installer_check.sh <psa-graph-setup.exe>
set -uo pipefail
setup=$(realpath "${1:?psa-graph-setup.exe}")
here=$(cd "$(dirname "$0")" && pwd)
PATH=/usr/lib/wine:$PATH
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Where Wine's menu builder would put menu entries, file associations and icons for what the installer
# registers: folders of this check's own instead of the user's home. The prefix switches the menu builder off,
# so they must stay empty.
desktop_home=$(mktemp -d -t psa-installer-home.XXXXXX)
export XDG_DATA_HOME=$desktop_home/data XDG_CONFIG_HOME=$desktop_home/config
WINEPREFIX=
trap '[ -z "$WINEPREFIX" ] || "$here/../../scripts/wine-prefix" --remove "$WINEPREFIX"; rm -rf "$desktop_home"' EXIT
WINEPREFIX=$("$here/../../scripts/wine-prefix") || exit 1
export WINEPREFIX
fail() { echo "FAIL: $*"; exit 1; }
desktop_untouched() {
    local written
    written=$(find "$desktop_home" -type f | sed "s|^$desktop_home/||")
    [ -z "$written" ] || fail "Wine's menu builder wrote into the desktop's folders: $written"
}

installed=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n 1)/AppData/Local/Programs/psa-graph
wine64 "$setup" /S || fail "the installer failed"
wineserver -w
[ -f "$installed/psa-graph.exe" ] || fail "no psa-graph.exe in $installed"
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller"
grep -q 'MIT License' "$installed/LICENSE.txt" || fail "no licence beside the program"
find "$WINEPREFIX/drive_c/users" -name 'PSA値推移グラフ.lnk' | grep -q . || fail "no Start-menu shortcut"
command=$(wine64 reg query 'HKCU\Software\Classes\psa-graph.csv\shell\open\command' /ve 2>/dev/null | tr -d '\r')
echo "$command" | grep -q 'psa-graph.exe" "%1"' || fail "no open command for .csv: $command"
wine64 reg query 'HKCU\Software\Classes\.csv\OpenWithProgids' /v psa-graph.csv >/dev/null 2>&1 || fail "not offered for .csv"
wine64 reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\psa-graph' /v UninstallString >/dev/null 2>&1 ||
    fail "no uninstall entry"
desktop_untouched
echo "installed: program, shortcut, uninstaller, Open with for .csv; no menu entry or icon outside the prefix"

wine64 "$installed/uninstall.exe" /S
wineserver -w
sleep 2 # the uninstaller runs a copy of itself from the temporary folder
wineserver -w
[ ! -e "$installed/psa-graph.exe" ] || fail "psa-graph.exe is still there after uninstalling"
[ ! -e "$installed" ] || fail "the installation folder is still there after uninstalling: $(ls -A "$installed")"
wine64 reg query 'HKCU\Software\Classes\psa-graph.csv' >/dev/null 2>&1 && fail "the .csv registration is still there"
desktop_untouched
echo "PASS: installed and uninstalled cleanly"
