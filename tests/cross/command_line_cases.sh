#!/usr/bin/env bash
# Runs the command line's cases (command_line_cases.txt) against one build or both, checks each run against
# the table, and, given both builds, that they end with the same statuses, print the same text and leave the
# same files. Standard output and error are compared as text: Windows' line ends are taken as Linux's, and
# the pictures by their header (the text drawn in them may differ by a pixel between the two builds' fonts,
# so a PNG's size may differ too; compare.sh shows that the same pixels give the same PNG on both).
#
#   command_line_cases.sh <output folder> <Linux psa-graph or -> [<Windows psa-graph.exe>]
#
# With CASES set to a pattern of grep -E, only the cases whose names match it run.
#
# Exit status 0 when all pass, 77 when the build to test or its tools are missing (skipped), 1 otherwise.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(realpath -m "${1:?output folder}")
linux=${2:?Linux psa-graph, or - for none}
windows=${3:-}
PATH=/usr/lib/wine:$PATH

builds=()
if [ "$linux" != - ]; then
    if [ -x "$linux" ]; then linux=$(realpath "$linux"); builds+=(linux); else [ -n "$windows" ] || { echo "FAIL: no program $linux"; exit 1; }; fi
fi
if [ -n "$windows" ]; then
    for tool in wine64 wineserver; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    windows=$(realpath "$windows")
    builds+=(windows)
fi
[ ${#builds[@]} -gt 0 ] || { echo "SKIP: no build to run"; exit 77; }

own_prefix=
cleanup() {
    [ -z "$own_prefix" ] || "$here/../../scripts/wine-prefix" --remove "$own_prefix"
}
trap cleanup EXIT
if [ -n "$windows" ]; then
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ -z "${WINEPREFIX:-}" ]; then
        WINEPREFIX=$("$here/../../scripts/wine-prefix") || exit 1
        own_prefix=$WINEPREFIX
    fi
    export WINEPREFIX
    # One server for all the runs instead of one started and stopped for each; it ends 3 s after the last.
    wineserver -p3
fi

trim() { sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' <<<"$1"; }
records=$' 2004, 1, 4.2\r\n 2004, 2, 5.2\r\n 2004, 3, 6.2\r\n'
# A bitmap's file header and the size of its information header, 40 bytes.
earlier='BM\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00earlier'
# A PNG's signature.
earlier_png='\x89PNG\r\n\x1a\nearlier'
png_signature=$(printf '\x89PNG\r\n\x1a\n' | od -An -tx1)
# The starts of an SVG picture and of a PDF document.
earlier_svg='<?xml version="1.0"?>\n<svg xmlns="http://www.w3.org/2000/svg"/>\n'
earlier_pdf='%%PDF-1.4\nearlier\n'

# The picture a case is about: the one its last argument names when that is graph.*, else graph.bmp.
picture_of() {
    local name
    name=$(basename -- "${!#}")
    case $name in graph.*) echo "$name" ;; *) echo graph.bmp ;; esac
}

# The state of a picture after a run: none, kept, or the size and dimensions of a new bitmap, or the
# dimensions of a new PNG, or of a new SVG or PDF whether it passes its validator, its size and its digest
# (which the two builds must share: the documents are written from the drawing alone, no font involved).
bitmap_state() {
    local file=$1 before=$2
    if [ ! -e "$file" ] && [ ! -L "$file" ]; then echo none; return; fi
    if [ -n "$before" ] && cmp -s "$file" "$before"; then echo kept; return; fi
    local head
    if [ "$(od -An -tx1 -N8 "$file")" = "$png_signature" ]; then
        head=$(od -An -tx1 -j16 -N8 "$file" | tr -d ' ')
        echo "new PNG $((16#${head:0:8})) $((16#${head:8:8}))"
        return
    fi
    local valid=invalid digest
    digest="$(stat -c %s "$file") bytes $(md5sum <"$file" | cut -c1-12)"
    case $(head -c5 "$file") in
    '<?xml')
        xmllint --noout "$file" 2>/dev/null && valid=valid
        echo "new SVG $valid $digest"
        return
        ;;
    %PDF-)
        qpdf --check "$file" >/dev/null 2>&1 && valid=valid
        echo "new PDF $valid $digest"
        return
        ;;
    esac
    head=$(od -An -tu4 -j18 -N8 "$file" | tr -s ' ')
    echo "new $(head -c2 "$file")$head $(stat -c %s "$file") bytes"
}

# Runs one case with one build; prints the transcript (status, output, error, files).
run_case() {
    local build=$1 dir=$2 before=$3 stdout=$4 picture=$5
    shift 5
    mkdir -p "$dir/sub" "$dir/out"
    printf '%s' "$records" >"$dir/records.csv"
    printf '%s' "$records" >"$dir/sub/records.csv"
    : >"$dir/empty.csv"
    case $before in
    text) printf 'notes of the last visit\n' >"$dir/$picture" ;;
    bitmap) printf "$earlier" >"$dir/$picture" ;;
    png) printf "$earlier_png" >"$dir/$picture" ;;
    svg) printf "$earlier_svg" >"$dir/$picture" ;;
    pdf) printf "$earlier_pdf" >"$dir/$picture" ;;
    empty) : >"$dir/$picture" ;;
    symlink) ln -s records.csv "$dir/$picture" ;;
    hardlink) ln "$dir/records.csv" "$dir/$picture" ;;
    esac
    local saved=
    if [ -e "$dir/$picture" ]; then saved=$dir/.before; cp "$dir/$picture" "$saved"; fi
    local uri arguments=()
    if [ "$build" = linux ]; then uri="file://$dir"; else uri="file:///Z:$dir"; fi
    for word in "$@"; do arguments+=("${word/#U\//$uri/}"); done
    local status command=(timeout 60 wine64 "$windows")
    [ "$build" = windows ] || command=(env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$linux")
    : >"$dir/.out"
    (
        cd "$dir" || exit 99
        case $stdout in
        closed) exec >&- ;;
        full) exec >/dev/full ;;
        *) exec >"$dir/.out" ;;
        esac
        exec "${command[@]}" "${arguments[@]}" 2>"$dir/.err" </dev/null
    )
    status=$?
    echo "status $status"
    # The folder's URI differs between the builds: it is written U.
    echo "out:"
    tr -d '\r' <"$dir/.out" | sed "s|$uri|U|g"
    echo "err:"
    tr -d '\r' <"$dir/.err" | sed "s|$uri|U|g"
    echo "picture $picture: $(bitmap_state "$dir/$picture" "$saved")"
    # Any other file the run left (a batch's pictures).
    local file
    while IFS= read -r file; do
        case $file in records.csv | empty.csv | sub/records.csv | .out | .err | .before | "$picture") continue ;; esac
        echo "file $file: $(bitmap_state "$dir/$file" "")"
    done < <(cd "$dir" && find . -type f -printf '%P\n' | LC_ALL=C sort)
    cmp -s "$dir/records.csv" <(printf '%s' "$records") && echo "records.csv kept" || echo "records.csv CHANGED"
}

# Adds a problem unless the picture's state (see bitmap_state) is what the table expects: new (a fresh picture
# of the format its name ends with), kept or none.
check_state() {
    local picture=$1 state=$2 expected=$3
    case $expected,${picture,,} in
    new,*.png) [ "$state" = "new PNG 849 521" ] || problems+=("$picture: $state") ;;
    new,*.svg) [[ $state == "new SVG valid "* ]] || problems+=("$picture: $state") ;;
    new,*.pdf) [[ $state == "new PDF valid "* ]] || problems+=("$picture: $state") ;;
    new,*) [[ $state == "new BM 849 521 "* ]] || problems+=("$picture: $state") ;;
    *) [ "$state" = "$expected" ] || problems+=("$picture: $state, not $expected") ;;
    esac
}

version=$(sed -n 's/^project(psa-graph VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
failed=0
number=0
while IFS='|' read -r name before stdout arguments status output error after; do
    name=$(trim "$name")
    case $name in '' | '#'*) continue ;; esac
    [ -z "${CASES:-}" ] || grep -qE -- "$CASES" <<<"$name" || continue
    number=$((number + 1))
    before=$(trim "$before") stdout=$(trim "$stdout") status=$(trim "$status") output=$(trim "$output") error=$(trim "$error")
    after=$(trim "$after")
    read -r -a words <<<"$arguments"
    for build in "${builds[@]}"; do
        transcript=$out/$build/$number.txt
        mkdir -p "$out/$build"
        rm -rf "$out/$build/$number"
        picture=$(picture_of "${words[@]}")
        run_case "$build" "$out/$build/$number" "$before" "$stdout" "$picture" "${words[@]}" >"$transcript"
        problems=()
        got_status=$(sed -n '1s/^status //p' "$transcript")
        [ "$got_status" = "$status" ] || problems+=("status $got_status, not $status")
        got_out=$(sed -n '/^out:$/,/^err:$/p' "$transcript" | sed '1d;$d')
        got_err=$(sed -n '/^err:$/,/^picture [^ ]*: /p' "$transcript" | sed '1d;$d')
        case $output in
        help) [[ $got_out == "使い方: psa-graph [オプション] [記録ファイル]"* ]] || problems+=("no help") ;;
        version) [ "$got_out" = "psa-graph $version" ] || problems+=("not the version: $got_out") ;;
        nothing) [ -z "$got_out" ] || problems+=("output: $got_out") ;;
        esac
        if [ "$error" = nothing ]; then
            [ -z "$got_err" ] || problems+=("error: $got_err")
        else
            parts=()
            while [[ $error == *' && '* ]]; do parts+=("${error%% && *}"); error=${error#* && }; done
            parts+=("$error")
            for part in "${parts[@]}"; do
                [[ $got_err == *"$part"* ]] || problems+=("error lacks \"$part\": $got_err")
            done
            [[ $got_err == "psa-graph: "* ]] || problems+=("error without the program's name: $got_err")
            # A batch says each file on one line of its own.
            if [[ " ${words[*]} " == *" --batch "* ]]; then
                while IFS= read -r line; do
                    [[ $line == "psa-graph: "* || $line == "使い方は"* ]] || problems+=("a line without the program's name: $line")
                done <<<"$got_err"
            fi
        fi
        if [[ $after == *=* ]]; then
            # name=state, ...: the pictures a batch leaves; no other file may appear.
            listed=()
            IFS=',' read -r -a pairs <<<"$after"
            for pair in "${pairs[@]}"; do
                pair=$(trim "$pair")
                listed+=("${pair%%=*}")
                state=$(sed -n "s|^file ${pair%%=*}: ||p" "$transcript")
                check_state "${pair%%=*}" "${state:-none}" "${pair#*=}"
            done
            while IFS= read -r file; do
                [[ " ${listed[*]} " == *" $file "* ]] || problems+=("an unexpected file $file")
            done < <(sed -n 's/^file \([^:]*\): .*/\1/p' "$transcript")
        else
            check_state "$picture" "$(sed -n 's/^picture [^ ]*: //p' "$transcript")" "$after"
            unexpected=$(sed -n 's/^file //p' "$transcript")
            [ -z "$unexpected" ] || problems+=("unexpected files: $unexpected")
        fi
        grep -qx 'records.csv kept' "$transcript" || problems+=("records.csv changed")
        if [ ${#problems[@]} -gt 0 ]; then
            echo "FAIL $build: $name: ${problems[*]}"
            failed=1
        fi
    done
    if [ ${#builds[@]} = 2 ] && ! diff -u --label "linux: $name" --label "windows: $name" \
        "$out/linux/$number.txt" "$out/windows/$number.txt"; then
        echo "FAIL: $name: the two builds differ"
        failed=1
    fi
done <"$here/command_line_cases.txt"

[ "$failed" = 0 ] || exit 1
echo "PASS: $number cases on ${builds[*]}"
