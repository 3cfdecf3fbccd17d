#!/usr/bin/env bash
# Builds Velquorandimestra.exe and starts it (under Wine on Linux).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/common.sh

build_preset win32
# Where the machine cannot run 32-bit code, wine-run.sh runs it under qemu-i386.
exec cmake/wine-run.sh build/win32/src/win32/Velquorandimestra.exe
