#!/usr/bin/env bash
# Builds the download for Windows users and checks it: the zip holds exactly
# what it should, its program is the 32-bit one, its sample document passes
# vqf check, its vqf.exe imports a calendar as vqf does on Linux, and the
# end-to-end test passes on the program taken out of it.
#   scripts/package.sh [PRESET]      (win32 unless told)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

preset=${1:-win32}
build_preset "$preset" >/dev/null
cmake --build --preset "$preset" --target package >/dev/null
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/$preset/CMakeCache.txt")
name=Velquorandimestra-$version-$preset
zip=build/$preset/package/$name.zip

echo "== $zip"
cmake -E tar tvf "$zip"
# vqf.exe's calendar import brings libical's licence and its time zone
# database, every file of it.
zoneinfo=build/$preset/libical/install/share/libical/zoneinfo
if [ ! -f "$zoneinfo/zones.tab" ]; then
    echo "package: vqf.exe was built without calendar import: no libical (bash scripts/setup.sh fetches its source)" >&2
    exit 1
fi
expected=$({
    printf "$name/%s\n" Velquorandimestra.exe vqf.exe readme.txt sample.vqf \
        licenses/CLI11.txt licenses/gcc-runtime.txt licenses/libical.txt licenses/mingw-w64-runtime.txt
    (cd "$zoneinfo" && find . -type f | sed "s|^\./|$name/zoneinfo/|")
} | sort)
listed=$(cmake -E tar tf "$zip" | grep -v '/$' | sort)
if [ "$listed" != "$expected" ]; then
    echo "package: the zip does not hold what it should:" >&2
    diff <(echo "$expected") <(echo "$listed") >&2 || true
    exit 1
fi

work=$(mktemp -d /tmp/vq-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$OLDPWD/$zip")
dir=$work/$name
want=014c
[ "$preset" = win32 ] || want=8664
[ "$(pe_machine "$dir/Velquorandimestra.exe")" = $want ] || { echo "package: wrong machine type" >&2; exit 1; }
grep -q $'\r$' "$dir/readme.txt" || { echo "package: readme.txt lacks Windows line ends" >&2; exit 1; }

# The sample is built from res/sample.json, its readable source.
vqf=build/native/tools/vqf/vqf
[ -x $vqf ] || { cmake --preset native >/dev/null; cmake --build --preset native --target vqf >/dev/null; }
$vqf build res/sample.json -o "$work/sample.vqf" >/dev/null
cmp "$work/sample.vqf" "$dir/sample.vqf" || { echo "package: res/sample.vqf is not built from res/sample.json" >&2; exit 1; }
$vqf check "$dir/sample.vqf"
grep -q 'Mozilla Public License' "$dir/licenses/libical.txt" && grep -q 'GNU LESSER GENERAL PUBLIC LICENSE' "$dir/licenses/libical.txt" ||
    { echo "package: licenses/libical.txt lacks libical's licences" >&2; exit 1; }

# vqf.exe from the zip imports a calendar whose zones come from the time zone
# database beside it, as the Linux vqf does.
echo "== vqf.exe import from the zip"
cp tests/vqf/calendars/zones.ics "$work/"
(cd "$work" && "$OLDPWD/cmake/wine-run.sh" "$dir/vqf.exe" import zones.ics -o zones.vqf 2>zones.err) ||
    { cat "$work/zones.err" >&2; echo "package: vqf.exe import failed" >&2; exit 1; }
grep -q 'unknown time zone "America/New_York"\|unknown time zone "Europe/Berlin"' "$work/zones.err" &&
    { echo "package: vqf.exe found no time zone database beside itself" >&2; exit 1; }
$vqf check "$work/zones.vqf"
(cd "$work" && "$OLDPWD/$vqf" import zones.ics -o zones.linux.vqf 2>/dev/null)
cmp "$work/zones.vqf" "$work/zones.linux.vqf" || { echo "package: vqf.exe imports otherwise than vqf on Linux" >&2; exit 1; }

echo "== end-to-end test on the program from the zip"
bash tests/e2e/e2e.sh "$dir/Velquorandimestra.exe" "build/$preset/tests/vqprobe.exe"
