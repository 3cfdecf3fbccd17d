#!/usr/bin/env bash
# Builds Velquorandimestra.exe and starts it (under Wine on Linux).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/common.sh

build_preset win32
exe=build/win32/src/win32/Velquorandimestra.exe
if ! can_run_32bit; then
    echo "This machine cannot run 32-bit code; starting the 64-bit build of the same program." >&2
    build_preset win64
    exe=build/win64/src/win32/Velquorandimestra.exe
fi
exec cmake/wine-run.sh "$exe"
