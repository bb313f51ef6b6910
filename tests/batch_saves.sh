#!/usr/bin/env bash
# A batch's saves on the real disk, where the pictures wait for the disk together: every picture is on the
# disk before any takes its name and each folder is flushed once after. With a failure injected by strace
# into one picture's write or its wait for the disk, the flush of the disk, one rename or the flush of the
# folder, the batch ends with exit status 1 and one line in
# Japanese for each picture concerned; a picture that failed before its rename leaves its old file byte for
# byte, the others are written, and no temporary file is left behind.
#
#   batch_saves.sh <path to psa-graph>
#
# Exit status 0 on success, 77 when strace cannot trace (reported as skipped), 1 on failure.
set -uo pipefail

program=${1:?path to psa-graph}
skip() {
    echo "SKIP: $*"
    exit 77
}
command -v strace >/dev/null || skip "strace is not installed"
strace -o /dev/null true 2>/dev/null || skip "strace cannot trace here"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in 1 2 3; do
    printf ' 2004, %d, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n' "$i" >"$work/r$i.csv"
done
old_png() { printf '\x89PNG\r\n\x1a\nearlier %s' "$1"; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The pictures as a batch without failures writes them.
mkdir "$work/expected"
"$program" --batch --format=png -o "$work/expected" "$work"/r{1,2,3}.csv ||
    { echo "FAIL: the plain batch failed"; exit 1; }

# check NAME CALL WHEN STATUS TEXT WRITTEN...: runs the batch into a fresh folder holding an earlier picture of
# each record file, with the WHENth CALL failing with EIO; expects STATUS, TEXT in standard error and the
# pictures WRITTEN (1, 2, 3) new, the others as they were, and nothing else in the folder.
check() {
    local name=$1 call=$2 when=$3 status=$4 text=$5 out=$work/$1
    shift 5
    mkdir "$out"
    for i in 1 2 3; do old_png "$i" >"$out/r$i.png"; done
    local message
    message=$(ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 timeout 60 strace -f -o /dev/null \
        -e trace="$call" -e inject="$call:error=EIO:when=$when" \
        "$program" --batch --format=png -o "$out" "$work"/r{1,2,3}.csv 2>&1 >/dev/null)
    local got=$?
    [ "$got" -eq "$status" ] || fail "$name: exit status $got, not $status ($message)"
    case $message in *"$text"*) ;; *) fail "$name: no 「$text」 in: $message" ;; esac
    ! perl -0777 -ne 's/^psa-graph: //mg; s/「.*?」//gs; exit(/[A-Za-z]/ ? 0 : 1)' <<<"$message" ||
        fail "$name: the message is not all Japanese: $message"
    for i in 1 2 3; do
        if [[ " $* " == *" $i "* ]]; then
            cmp -s "$out/r$i.png" "$work/expected/r$i.png" || fail "$name: r$i.png is not the new picture"
        else
            cmp -s "$out/r$i.png" <(old_png "$i") || fail "$name: r$i.png is not the earlier picture"
        fi
    done
    local left
    left=$(cd "$out" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
    [ "$left" = "./r1.png ./r2.png ./r3.png " ] || fail "$name: the folder holds $left"
}

# pwrite64: each picture into its temporary file; sync_file_range: each picture's start on its way to the disk, then each one's wait for it; syncfs: the flush
# of the disk; fsync: the folder's.
check "the second picture's write" pwrite64 2 1 "r2.png」を保存できませんでした。 理由: 装置の入出力エラー" 1 3
check "the second picture's wait" sync_file_range 5 1 "r2.png」を保存できませんでした。 理由: 装置の入出力エラー" 1 3
check "the flush of the disk" syncfs 1 1 "r3.png」を保存できませんでした。 理由: 装置の入出力エラー"
check "the first rename" renameat 1 1 "r1.png」を保存できませんでした。 理由: 装置の入出力エラー" 2 3
check "the folder's flush" fsync 1 1 "r3.png」を保存できませんでした。 理由: 装置の入出力エラーが発生しました。 ファイルは新しい内容に置き換わりましたが、フォルダーの変更をディスクに書き込めなかった" 1 2 3
check "nothing fails" syncfs 2 0 "" 1 2 3

[ "$failures" -eq 0 ] || exit 1
echo "ok: a batch's grouped saves, their failures injected"
