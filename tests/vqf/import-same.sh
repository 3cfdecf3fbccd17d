#!/usr/bin/env bash
# vqf.exe under Wine imports each calendar and CSV as the Linux vqf does: the
# same .vqf bytes, the same messages on standard error, the same exit status.
# The files are those of FOLDER (a Shift_JIS CSV among them: iconv and
# Windows' code page 932 must decode it alike) and the calendar and CSV
# exports of a sample document.
#   import-same.sh LINUX_VQF VQF_EXE FOLDER
set -euo pipefail
linux=$1
exe=$2
folder=$(cd "$3" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [ ! -x "$linux" ]; then
    echo "import-same: $linux is missing: build the native preset first (cmake --build --preset native)" >&2
    exit 1
fi

source "$root/scripts/common.sh"
work=$(mktemp -d /tmp/vq-import-same.XXXXXX)
xvfb_pid=
trap 'rm -rf "$work"; [ -z "$xvfb_pid" ] || kill "$xvfb_pid"' EXIT
# One display for every run (Wine's processes wants one), so that no run
# starts and stops its own.
[ -n "${DISPLAY:-}" ] || start_display
"$linux" sample --items 400 --seed 5 -o "$work/sample.vqf"
"$linux" ics "$work/sample.vqf" -o "$work/sample.ics"
"$linux" csv "$work/sample.vqf" -o "$work/sample.csv"
cp "$folder"/*.ics "$folder"/*.csv "$work/"

cd "$work"
compared=0
differ=0
for ics in *.ics *.csv; do
    name=$ics
    set +e
    "$linux" import "$ics" -o "$name.linux.vqf" 2>"$name.linux.err"
    linux_rc=$?
    "$root/cmake/wine-run.sh" "$exe" import "$ics" -o "$name.windows.vqf" 2>"$name.windows.err"
    windows_rc=$?
    set -e
    verdict=same
    if [ "$linux_rc" != "$windows_rc" ]; then
        verdict="exit status $linux_rc on Linux, $windows_rc on Windows"
    elif ! cmp -s "$name.linux.err" "$name.windows.err"; then
        verdict="different messages"
        diff "$name.linux.err" "$name.windows.err" | head -n 20 || true
    elif [ -f "$name.linux.vqf" ] || [ -f "$name.windows.vqf" ]; then
        cmp -s "$name.linux.vqf" "$name.windows.vqf" || verdict="different .vqf bytes"
    fi
    size=$(stat -c %s "$name.linux.vqf" 2>/dev/null || echo none)
    echo "import-same: $ics: exit status $linux_rc, $(wc -l <"$name.linux.err") messages, .vqf of $size bytes: $verdict"
    compared=$((compared + 1))
    [ "$verdict" = same ] || differ=$((differ + 1))
done
echo "import-same: $((compared - differ)) of $compared files imported alike"
[ "$differ" -eq 0 ]
