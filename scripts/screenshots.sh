#!/usr/bin/env bash
# Pictures of the program for the README: the main window with a sample
# document, the text output window and the kind editor. Run after the win32
# and native presets are built:  bash scripts/screenshots.sh [OUT-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
out=${1:-docs}
run=cmake/wine-run.sh
probe=build/win32/tests/vqprobe.exe

work=$(mktemp -d /tmp/vq-shots.XXXXXX)
cp build/win32/src/win32/Velquorandimestra.exe "$work/"
build/native/tools/vqf/vqf sample -o "$work/sample.vqf" --items 40 --seed 7 >/dev/null
# The last-file record beside the executable names the sample, so the
# program opens it at start-up.
python3 - "$work" <<'PY'
import struct, sys
path = "Z:" + sys.argv[1].replace("/", "\\") + "\\sample.vqf"
data = path.encode("utf-16-le")
open(sys.argv[1] + "/Velquorandimestra.dat", "wb").write(struct.pack("<I", len(data)) + data)
PY

start_display 1600x1200x24
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
start() {
    "$run" "$work/Velquorandimestra.exe" &
    for _ in $(seq 1 60); do "$run" "$probe" >/dev/null 2>&1 && break; sleep 0.5; done
    sleep 1
}
start

click() { xdotool mousemove $("$run" "$probe" rect "$1" | tr -d '\r') click 1; sleep 0.8; }
shot() {
    local geometry
    geometry=$("$run" "$probe" window | tr -d '\r')
    import -window root -crop "$geometry" +repage "$out/$1"
}

click 40042
xdotool key Home shift+Down shift+Down shift+Down
sleep 0.8
shot main-window-items.png
click 40046                      # テキスト出力
sleep 1
shot text-output.png
xdotool key Return               # 閉じる
sleep 0.8
click 40080                      # 項目の編集
sleep 1
shot kind-editor.png
xdotool key alt+F4
sleep 0.8
xdotool key alt+f x
sleep 0.8
xdotool key n
sleep 1

# The first start: no file saved yet, so no record and an empty window.
rm "$work/Velquorandimestra.dat"
start
shot main-window.png
xdotool key alt+f x
sleep 1

# The item list at 100% and 150%: late (red), finished (grey) and due-today
# (bold) lines dated from now, then a find in use. The 150% pictures come
# from a prefix of their own whose LogPixels is 144, so that the test
# prefix keeps its scale.
python3 scripts/list-sample.py >"$work/list.json"
build/native/tools/vqf/vqf build "$work/list.json" -o "$work/list.vqf" >/dev/null
python3 - "$work" <<'PY'
import struct, sys
path = "Z:" + sys.argv[1].replace("/", "\\") + "\\list.vqf"
data = path.encode("utf-16-le")
open(sys.argv[1] + "/Velquorandimestra.dat", "wb").write(struct.pack("<I", len(data)) + data)
PY
list_shots() {
    local scale=$1
    # At the template's size and place, not where an earlier run left it.
    rm -f "${VQ_WINEPREFIX:-build/wine-win32}"/drive_c/users/*/AppData/Local/Velquorandimestra/window.dat
    start
    shot "main-window-$scale.png"
    click 40100                  # the find field
    xdotool type --delay 150 "x"
    xdotool key BackSpace        # the first key typed only wakes the keyboard map
    xdotool type --delay 150 "ガイド"
    sleep 1
    shot "item-find-$scale.png"
    xdotool key Escape alt+f x
    sleep 1
}
list_shots 100
export VQ_WINEPREFIX=$PWD/build/wine-win32-144
"$run" "$probe" >/dev/null 2>&1 || true   # sets the prefix up
WINEPREFIX=$VQ_WINEPREFIX /usr/lib/wine/wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
WINEPREFIX=$VQ_WINEPREFIX /usr/lib/wine/wineserver -w 2>/dev/null || true
list_shots 150
