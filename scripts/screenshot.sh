#!/usr/bin/env bash
# Starts the program on a virtual display and saves a picture of the screen:
#   scripts/screenshot.sh EXE OUT.png [seconds-to-wait]
set -euo pipefail
exe=$1 out=$2 wait=${3:-6}
here=$(cd "$(dirname "$0")/.." && pwd)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$here/cmake/wine-run.sh" "$exe" &
app=$!
sleep "$wait"
DISPLAY=$display import -window root "$out"
kill $app 2>/dev/null || true
wineserver_bin=/usr/lib/wine/wineserver
WINEPREFIX=$here/build/wine-win64 $wineserver_bin -k 2>/dev/null || true
