#!/usr/bin/env bash
# End-to-end test of the real program on a virtual display, driven with real
# mouse and keyboard input (xdotool through XTEST):
#   new document, type a title, Tab, add a second item, save as, close,
#   start again: the saved file is reopened with both items.
#   e2e.sh PROGRAM.exe PROBE.exe [SCREENSHOT-DIR]
set -euo pipefail

exe=$1 probe=$2 shots=${3:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
run="$here/cmake/wine-run.sh"

work=$(mktemp -d /tmp/vq-e2e.XXXXXX)
cp "$exe" "$work/Velquorandimestra.exe"   # its last-file record starts absent
source "$here/scripts/common.sh"
start_display 1024x768x24
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "e2e: FAIL: $*" >&2; exit 1; }

start_app() {
    "$run" "$work/Velquorandimestra.exe" &
    app=$!
    for _ in $(seq 1 60); do
        "$run" "$probe" >/dev/null 2>&1 && return 0
        sleep 0.5
    done
    fail "the main window did not appear"
}

wait_exit() {
    for _ in $(seq 1 40); do
        kill -0 "$app" 2>/dev/null || { app=; return 0; }
        sleep 0.5
    done
    fail "the program did not end"
}

window_state() { "$run" "$probe" | tr -d '\r'; }

click_control() {
    local xy
    xy=$("$run" "$probe" rect "$1" | tr -d '\r')
    # shellcheck disable=SC2086
    xdotool mousemove $xy click 1
    sleep 0.7
}

key() { xdotool key --delay 150 "$@"; sleep 0.7; }

screenshot() {
    [ -n "$shots" ] || return 0
    import -window root "$shots/$1"
}

# First start: no record, no document.
start_app
[ "$(window_state)" = "Velquorandimestra" ] || fail "first start is not empty: $(window_state)"

click_control 40042                 # activate the window
key alt+f n                         # 新しいｱｸｼｮﾝ管理
click_control 40047                 # the title edit: its text gets selected
xdotool type --delay 80 "Plan A"
key Tab                             # leaving the field commits the title
click_control 40041                 # アクションアイテムの追加
state=$(window_state)
[ "$state" = $'Velquorandimestra\nPlan A\nNewAction' ] || fail "after add: $state"
screenshot e2e-two-items.png

key alt+f a                         # 名前を付けて保存: the real save chooser
sleep 1.5
xdotool type --delay 40 "Z:${work//\//\\}\\plan"
key Return
sleep 1
[ -f "$work/plan.vqf" ] || fail "plan.vqf was not written"
[ "$(window_state | head -n 1)" = "Velquorandimestra [ plan.vqf ]" ] || fail "title after save: $(window_state | head -n 1)"

key alt+f x                         # exit: saved, so no question
wait_exit

# Second start: the file saved last is reopened with both items.
start_app
state=$(window_state)
[ "$state" = $'Velquorandimestra [ plan.vqf ]\nPlan A\nNewAction' ] || fail "after restart: $state"
screenshot e2e-reopened.png
click_control 40077                 # a change: 場所
xdotool type --delay 80 "here"
key alt+f x                         # exit: the save-current question
key n                               # いいえ / No
wait_exit
echo "e2e: PASS (new, type, Tab, add, save as, close, reopen)"
