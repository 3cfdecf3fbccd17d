#!/usr/bin/env bash
# Benchmarks: the document commands in the real main dialog under Wine on
# sample documents of 1,000, 10,000 and 100,000 items (each size in its own
# process, so that each peak working set is that size's), the same list
# operations done one line at a time on 5,000 items as a baseline, and the codec's
# native throughput on 100,000 items. Figures are medians; on a shared
# machine they vary from run to run.
#
#   scripts/bench.sh [sizes...]     e.g. scripts/bench.sh 1000 10000
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 100000)

if can_run_32bit; then preset=win32; else preset=win64; fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target dialog_bench
cmake --preset native >/dev/null
cmake --build --preset native --target vqf_bench

bench=build/$preset/tests/dialog_bench.exe
echo "== dialog commands ($preset build under Wine)"
for n in "${sizes[@]}"; do
    cmake/wine-run.sh "$bench" "$n"
done
echo
echo "== one-line-at-a-time baseline, side by side"
cmake/wine-run.sh "$bench" --baseline 5000 --runs 3
echo
echo "== codec, native"
build/native/tests/vqf_bench 100000
