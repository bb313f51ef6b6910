# Sourced by the end-to-end scripts, after they have set `log` and `tools` (what they need beyond Xvfb and
# xdotool): skips the test (status 77) when a tool is missing; else a private Xvfb that picks its own free
# display, DISPLAY and Qt's xcb platform pointed at it, a private runtime folder, `fail`, the waits of
# waiting.sh, and a cleanup that ends the program (`pid`) and the server when the script exits.
for tool in Xvfb xdotool "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done
work=$(mktemp -d)
server=
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [ -f "$log" ] && sed 's/^/  psa-graph: /' "$log"
    exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/waiting.sh"

# The server picks a free display itself and writes its number, so parallel runs never race for one.
# -noreset: a client that connects just as the last one has left must not meet a server in the middle of
# its reset, which refuses it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
display_known() { [ -s "$work/display" ]; }
poll 20 display_known || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n 1 "$work/display")

export QT_QPA_PLATFORM=xcb
# In a sanitized build: the X keyboard library copies length-bounded names that are not NUL-terminated with
# strndup, which strict string checking reports although the copy is bounded. Everything else stays checked.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS=$ASAN_OPTIONS:strict_string_checks=0
fi
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime
