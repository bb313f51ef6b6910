#!/usr/bin/env bash
# The built program's reads and saves at their edges, through `psa-graph --export RECORDS BITMAP`, which reads
# and saves through the same file system as the window's 「データー読み込み」 and 「グラフ保存」:
#   - names that are no UTF-8 (Shift_JIS) are read and written under exactly their bytes;
#   - files of /proc and /sys are refused at once, and /proc/kmsg is never opened for reading;
#   - a symbolic link another user planted in a shared sticky folder is not followed;
#   - a replaced bitmap keeps its owner, group and mode; one with a second hard link is written in place;
#   - a failure injected with strace into each system call of a save that concerns the bitmap's folder (every
#     open there, write, read of the old contents, owner, mode and attribute change, flush to the disk, close
#     and rename), with EIO, ENOSPC, EDQUOT and EROFS, both when the bitmap is replaced whole (root) and when it is
#     rewritten in place (the user nobody in a folder of root's), ends with exit status 1, a reason in
#     Japanese, the old bitmap byte for byte and no file left behind; a failed flush of the folder after the
#     rename is reported as such, with the new bitmap in place.
#
#   export_files.sh <path to psa-graph>
#
# Exit status 0 on success, 77 when not run as root or strace cannot trace (reported as skipped), 1 on failure.
set -uo pipefail

program=${1:?path to psa-graph}
skip() {
    echo "SKIP: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "needs root: links of another user, /proc/kmsg, saves as the user nobody"
if ! getent passwd nobody >/dev/null || ! getent group nogroup >/dev/null; then
    skip "needs the user nobody and the group nogroup"
fi
command -v strace >/dev/null || skip "strace is not installed"
strace -o /dev/null true 2>/dev/null || skip "strace cannot trace here"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -m 700 "$work/runtime-root" "$work/runtime-nobody"
chown nobody:nogroup "$work/runtime-nobody"
mkdir "$work/cwd"
records=$work/records.csv
printf ' 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n' >"$records"
# An earlier bitmap as the export recognises one (it replaces nothing else): a file header, the size of a
# Windows 3 information header, and bytes of its own.
old=$work/old.bmp
printf 'BM\0\0\0\0\0\0\0\0\0\0\0\0\x28\0\0\0earlier' >"$old"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run USER COMMAND...: runs COMMAND for USER's export (USER's runtime folder; as USER only where COMMAND makes
# it so) for at most 20 seconds; sets `status` and `message` (standard error). A sanitized build's leak check
# cannot run under strace, which already traces the program.
run() {
    local user=$1 sanitizer=${ASAN_OPTIONS:-}
    shift
    [ "$1" != strace ] || sanitizer=${sanitizer:+$sanitizer:}detect_leaks=0
    message=$(cd "$work/cwd" && XDG_RUNTIME_DIR=$work/runtime-$user ASAN_OPTIONS=$sanitizer \
        timeout -k 2 20 "$@" 2>&1 >/dev/null)
    status=$?
}

# Whether the message reads in Japanese: no Latin letters once the names in 「」 and /proc and /sys are left out.
japanese() {
    perl -0777 -ne 's/^psa-graph: //mg; s/「.*?」//gs; s#/proc|/sys##g; exit(/[A-Za-z]/ ? 1 : 0)' <<<"$message"
}

expect() { # STATUS TEXT WHAT: the last run ended with STATUS and its message holds TEXT
    [ "$status" -eq "$1" ] || fail "$3: exit status $status, not $1 ($message)"
    case $message in *"$2"*) ;; *) fail "$3: the message lacks 「$2」: $message" ;; esac
    japanese || fail "$3: the message is not all Japanese: $message"
}

listing() { (cd "$1" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' '|'); }

# hold USER NUMBER WATCHED ARGUMENTS...: starts USER's export of ARGUMENTS with the NUMBERth openat held for
# two seconds on its way back, and returns once the program has held WATCHED open for a third of a second,
# with the export still running as process $held (its standard error in $work/held.err). Fails when the
# program was not caught holding it.
hold() {
    local user=$1 number=$2 watched=$3 as=()
    shift 3
    [ "$user" = root ] || as=(-u "$user")
    (cd "$work/cwd" && exec env XDG_RUNTIME_DIR="$work/runtime-$user" ASAN_OPTIONS=detect_leaks=0 timeout 20 \
        strace "${as[@]}" -o /dev/null -e trace=openat -e inject="openat:delay_exit=2000000:when=$number" \
        "$program" --export "$@" 2>"$work/held.err") &
    held=$!
    # Held for a third of a second, not just looked at in passing; timed, not counted, since on a busy machine
    # one look can take longer than that.
    local since=0 now
    for _ in $(seq 250); do
        now=$(date +%s%N)
        if holding "$watched"; then
            [ "$since" -ne 0 ] || since=$now
            [ $((now - since)) -lt 330000000 ] || return 0
        else
            since=0
        fi
        sleep 0.03
    done
    fail "the export was not caught holding $watched"
}
holding() {
    local pid fd
    for pid in $(pgrep -P "$(pgrep -P "$held")" 2>/dev/null); do
        for fd in "/proc/$pid/fd/"*; do
            [ "$(readlink "$fd" 2>/dev/null)" != "$1" ] || return 0
        done
    done
    return 1
}

# The bitmap as the export writes it.
run root "$program" --export "$records" "$work/expected.bmp"
if [ "$status" -ne 0 ] || [ ! -s "$work/expected.bmp" ]; then
    echo "FAIL: the plain export failed ($status): $message"
    exit 1
fi

echo "-- names that are no UTF-8"
mkdir "$work/names"
sjis_records=$work/names/$'\x8b\x4c\x98\x5e.csv'    # 記録.csv in Shift_JIS
sjis_bitmap=$work/names/$'\x83\x4f\x83\x89\x83\x74.bmp' # グラフ.bmp in Shift_JIS
cp "$records" "$sjis_records"
run root "$program" --export "$sjis_records" "$sjis_bitmap"
expect 0 "" "a Shift_JIS record file exported to a Shift_JIS bitmap"
cmp -s "$sjis_bitmap" "$work/expected.bmp" || fail "the bitmap is not under exactly the bytes given"
[ "$(listing "$work/names")" = "./"$'\x83\x4f\x83\x89\x83\x74.bmp'"|./"$'\x8b\x4c\x98\x5e.csv'"|" ] ||
    fail "other names appeared: $(listing "$work/names" | od -c | head -3)"
run root "$program" --export "$work/names/"$'\x8b\x4c\x98' "$work/names/x.bmp"
expect 1 "ファイルが見つかりません" "a missing Shift_JIS name"

echo "-- files of /proc and /sys"
for file in /proc/kmsg /proc/self/status /sys/kernel/uevent_seqnum /sys/fs/cgroup/cgroup.procs; do
    [ -f "$file" ] || continue # not there, or hidden behind a device as in a container
    run root "$program" --export "$file" "$work/system.bmp"
    expect 1 "システムの内部の状態を表す特殊なファイルです" "reading $file"
done
[ ! -e "$work/system.bmp" ] || fail "a bitmap was drawn from a file of /proc or /sys"
if [ -f /proc/kmsg ]; then
    run root strace -o "$work/kmsg.log" -y -e trace=open,openat,read,pread64,readv "$program" --export /proc/kmsg "$work/k.bmp"
    expect 1 "システムの内部の状態" "reading /proc/kmsg under strace"
    grep -E 'kmsg' "$work/kmsg.log" | grep -v 'O_PATH' | grep -q . &&
        fail "/proc/kmsg was opened or read: $(grep kmsg "$work/kmsg.log" | grep -v O_PATH | head -3)"
fi
ln -s /proc/self/comm "$work/comm.bmp"
run root "$program" --export "$records" "$work/comm.bmp"
expect 1 "システムの内部の状態" "saving over /proc/self/comm through a link named .bmp"

echo "-- a record file swapped for a named pipe between its check and its opening"
# The export is held for a second right after it has looked at the record file, and meanwhile the name is made
# a link to a named pipe: what it reads is still the file it checked.
cp "$records" "$work/swap.csv"
mkfifo "$work/pipe"
run root strace -o "$work/swap.log" -y -e trace=openat "$program" --export "$work/swap.csv" "$work/swap.bmp"
number=$(awk -v file="\"$work/swap.csv\"" '/^openat\(/ { n++ } index($0, file) && /O_PATH/ { print n; exit }' "$work/swap.log")
if [ -z "$number" ]; then
    fail "the record file was not looked at with O_PATH: $(grep -F swap.csv "$work/swap.log")"
else
    rm -f "$work/swap.bmp"
    hold root "$number" "$work/swap.csv" "$work/swap.csv" "$work/swap.bmp"
    mv "$work/swap.csv" "$work/swap.old" && ln -s pipe "$work/swap.csv"
    wait "$held"
    status=$? message=$(cat "$work/held.err")
    expect 0 "" "a record file swapped for a named pipe after its check"
    cmp -s "$work/swap.bmp" "$work/expected.bmp" || fail "the swapped record file was not read as it was checked"
fi

echo "-- a link planted in a shared folder"
mkdir -m 1777 "$work/shared"
cp "$old" "$work/secret"
ln -s ../secret "$work/shared/graph.bmp"
chown -h nobody:nogroup "$work/shared/graph.bmp"
run root "$program" --export "$records" "$work/shared/graph.bmp"
expect 1 "他の利用者が作ったシンボリックリンクです" "root saving through nobody's link in a sticky folder"
cmp -s "$work/secret" "$old" || fail "the planted link's target was replaced"
[ -L "$work/shared/graph.bmp" ] || fail "the planted link was replaced"
chown -h root:root "$work/shared/graph.bmp"
run root "$program" --export "$records" "$work/shared/graph.bmp"
expect 0 "" "root saving through the folder owner's link"
cmp -s "$work/secret" "$work/expected.bmp" || fail "the folder owner's link was not written through"

echo "-- owner, group, mode and hard links"
mkdir "$work/owned"
cp "$old" "$work/owned/g.bmp"
chown nobody:nogroup "$work/owned/g.bmp"
chmod 640 "$work/owned/g.bmp"
run root "$program" --export "$records" "$work/owned/g.bmp"
expect 0 "" "root replacing nobody's bitmap"
[ "$(stat -c '%U:%G %a' "$work/owned/g.bmp")" = "nobody:nogroup 640" ] ||
    fail "owner and mode became $(stat -c '%U:%G %a' "$work/owned/g.bmp")"
cmp -s "$work/owned/g.bmp" "$work/expected.bmp" || fail "nobody's bitmap was not replaced"
cp "$old" "$work/owned/h.bmp"
ln "$work/owned/h.bmp" "$work/owned/second"
run root "$program" --export "$records" "$work/owned/h.bmp"
expect 0 "" "a bitmap with a second hard link"
cmp -s "$work/owned/second" "$work/expected.bmp" || fail "the second hard link does not see the new bitmap"

echo "-- failures injected into every system call of a save"
# The calls a save makes in FOLDER, from the log of a run under strace -y: "name:number:kind", numbered as
# strace counts each call's invocations; kind "folder" for the flush of the folder itself.
calls_in_folder() { # LOG FOLDER
    awk -v dir="$2" '
        {
            name = $0; sub(/\(.*/, "", name); count[name]++
            first = substr($0, length(name) + 2)
            if (first !~ /^[0-9]+</) next
            path = substr(first, index(first, "<") + 1); path = substr(path, 1, index(path, ">") - 1)
            if (path == dir) kind = "folder"
            else if (index(path, dir "/.") == 1) kind = "temporary"
            else if (index(path, dir "/") == 1) kind = "file"
            else next
            if (name == "openat" || name == "renameat" || name == "renameat2") { if (kind != "folder") next; kind = "entry" }
            else if (name == "close" && kind != "temporary") next
            print name ":" count[name] ":" kind
        }' "$1"
}
traced=openat,close,pread64,pwrite64,write,ftruncate,fsync,fdatasync,fchown,fchmod,flistxattr,fsetxattr,fremovexattr,rename,renameat,renameat2,link,linkat

# What the user reads for each injected error.
reason_of() {
    case $1 in
    EIO) echo "装置の入出力エラー" ;;
    ENOSPC) echo "ディスクの空き容量が足りません" ;;
    EDQUOT) echo "ディスクの使用量の上限" ;;
    EROFS) echo "読み取り専用の場所" ;;
    esac
}

# inject USER FOLDER OWNER: the export over FOLDER/g.bmp (OWNER's, mode 666, the old bitmap), as USER,
# failing at each of its calls.
inject() {
    local user=$1 folder=$2 as=() point name number kind error
    [ "$user" = root ] || as=(-u "$user")
    cp "$old" "$folder/g.bmp"
    chown "$3" "$folder/g.bmp"
    chmod 666 "$folder/g.bmp"
    local before
    before=$(listing "$folder")
    run "$user" strace "${as[@]}" -o "$work/record.log" -y -e trace=$traced "$program" --export "$records" "$folder/g.bmp"
    expect 0 "" "the save as $user, recorded"
    local points
    points=$(calls_in_folder "$work/record.log" "$folder")
    echo "   $user: $(wc -w <<<"$points") calls: $(tr '\n' ' ' <<<"$points")"
    [ "$(wc -w <<<"$points")" -ge 5 ] || fail "too few calls recorded for $user: $points"
    for point in $points; do
        IFS=: read -r name number kind <<<"$point"
        for error in EIO ENOSPC EDQUOT EROFS; do
            cp "$old" "$folder/g.bmp"
            run "$user" strace "${as[@]}" -o "$work/inject.log" -y -e trace=$traced \
                -e inject="$name:error=$error:when=$number" "$program" --export "$records" "$folder/g.bmp"
            local what="$user, $error at $name #$number ($kind)"
            grep '(INJECTED)' "$work/inject.log" | grep -qF "$folder" ||
                fail "$what: the failure did not reach the save: $(grep INJECTED "$work/inject.log")"
            if [ "$kind" = folder ] && [ "$name" = fsync ]; then
                expect 1 "ファイルは新しい内容に置き換わりましたが" "$what"
                cmp -s "$folder/g.bmp" "$work/expected.bmp" || fail "$what: the new bitmap is not in place"
            else
                expect 1 "保存できませんでした" "$what"
                cmp -s "$folder/g.bmp" "$old" || fail "$what: the old bitmap was not kept"
            fi
            case $message in *"$(reason_of "$error")"*) ;; *) fail "$what: the reason is not said: $message" ;; esac
            [ "$(listing "$folder")" = "$before" ] || fail "$what: left behind: $(listing "$folder")"
        done
    done
}
mkdir "$work/whole" "$work/inplace"
inject root "$work/whole" nobody:nogroup
inject nobody "$work/inplace" root:root

# Where the system refuses the rename or the old file's attributes cannot be read, the file is written in place.
for refusal in renameat:error=EPERM listxattr:error=ENOENT; do
    cp "$old" "$work/whole/g.bmp"
    chown nobody:nogroup "$work/whole/g.bmp"
    inode=$(stat -c %i "$work/whole/g.bmp")
    run root strace -o /dev/null -e trace=${refusal%%:*} -e inject="$refusal:when=1" "$program" --export "$records" "$work/whole/g.bmp"
    expect 0 "" "$refusal"
    if ! cmp -s "$work/whole/g.bmp" "$work/expected.bmp" || [ "$(stat -c '%i %U' "$work/whole/g.bmp")" != "$inode nobody" ]; then
        fail "$refusal: not written in place: $(stat -c '%i %U' "$work/whole/g.bmp"), was $inode nobody"
    fi
done

# The file replaced by a link to another file of root's while the save of the user nobody is held at its
# refused attempt to create the temporary file: the in-place write that follows does not follow the link.
cp "$old" "$work/inplace/g.bmp"
chmod 666 "$work/inplace/g.bmp"
printf 'victim' >"$work/inplace/victim"
chmod 666 "$work/inplace/victim"
run nobody strace -u nobody -o "$work/creating.log" -y -e trace=openat "$program" --export "$records" "$work/inplace/g.bmp"
number=$(awk '/^openat\(/ { n++ } /O_CREAT\|O_EXCL/ && /EACCES/ { print n; exit }' "$work/creating.log")
if [ -z "$number" ]; then
    fail "no refused temporary file recorded: $(grep -F "$work/inplace" "$work/creating.log")"
else
    hold nobody "$number" "$work/inplace/g.bmp" "$records" "$work/inplace/g.bmp"
    mv "$work/inplace/g.bmp" "$work/inplace/moved" && ln -s victim "$work/inplace/g.bmp"
    wait "$held"
    status=$? message=$(cat "$work/held.err")
    expect 1 "シンボリックリンクに置き換えられた" "a file replaced by a link during the save"
    [ "$(cat "$work/inplace/victim")" = victim ] || fail "the link put in the file's place was followed"
fi

# A temporary file that cannot be removed after a failed write is named in the message.
cp "$old" "$work/whole/g.bmp"
run root strace -o /dev/null -e trace=pwrite64,unlinkat -e inject=pwrite64:error=ENOSPC:when=1 \
    -e inject=unlinkat:error=EIO:when=1 "$program" --export "$records" "$work/whole/g.bmp"
expect 1 "を消せませんでした" "a temporary file that cannot be removed"
cmp -s "$work/whole/g.bmp" "$old" || fail "the old bitmap was not kept when its temporary file stayed"

echo "-- read errors"
# A failed read is said as such, never taken for the end of a shorter file: not of the record file, and not
# of the file the export would replace, which is then kept.
run root strace -o /dev/null -P "$records" -e trace=read -e inject=read:error=EIO:when=1 \
    "$program" --export "$records" "$work/read-error.bmp"
expect 1 "装置の入出力エラー" "a read error in the record file"
[ ! -e "$work/read-error.bmp" ] || fail "a bitmap was written from a record file that could not be read"
cp "$old" "$work/whole/g.bmp"
run root strace -o /dev/null -P "$work/whole/g.bmp" -e trace=read -e inject=read:error=EIO:when=1 \
    "$program" --export "$records" "$work/whole/g.bmp"
expect 1 "確かめられない" "a read error in the file to be replaced"
cmp -s "$work/whole/g.bmp" "$old" || fail "a file that could not be checked was replaced"

if [ "$failures" -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "PASS: names as bytes, system files, planted links, owners and every injected failure of a save"
