#!/usr/bin/env bash
# vqf at scale: times each command on one sample document and prints its
# elapsed time, input throughput and peak resident memory, with `jq -c .` over
# the same JSON in the same run as the yardstick. The best of RUNS runs is
# kept (the machine may be shared); peak memory is that run's.
#
#   scripts/vqf_bench.sh [ITEMS] [RUNS] [VQF]
#       ITEMS  sample size (default 100000; 1000000 shows the memory bound)
#       RUNS   runs per command (default 3)
#       VQF    the vqf binary (default build/native/tools/vqf/vqf, built first)
# Samples and outputs go to ${VQF_BENCH_DIR:-/tmp/vqf-bench}.
set -euo pipefail
cd "$(dirname "$0")/.."
items=${1:-100000}
runs=${2:-3}
vqf=${3:-}
if [ -z "$vqf" ]; then
    source scripts/common.sh
    cmake --preset native >/dev/null
    cmake --build --preset native --target vqf >/dev/null
    vqf=build/native/tools/vqf/vqf
fi
dir=${VQF_BENCH_DIR:-/tmp/vqf-bench}
mkdir -p "$dir"
doc=$dir/sample-$items.vqf
json=$dir/sample-$items.json
[ -f "$doc" ] || "$vqf" sample --items "$items" --seed 7 -o "$doc"
[ -f "$json" ] || "$vqf" dump "$doc" --json >"$json"
doc_mb=$(awk -v b="$(stat -c %s "$doc")" 'BEGIN { printf "%.1f", b / 1e6 }')
json_mb=$(awk -v b="$(stat -c %s "$json")" 'BEGIN { printf "%.1f", b / 1e6 }')
echo "$items items: $doc ($doc_mb MB), $json ($json_mb MB); $(nproc) cores; best of $runs runs"
printf '%-24s %9s %10s %12s %10s\n' command seconds 'MB/s in' 'peak MB' 'vs jq'

jq_seconds=
# measure NAME INPUT_BYTES COMMAND...: best elapsed of the runs, its peak RSS.
measure() {
    local name=$1 bytes=$2
    shift 2
    local best= best_kb=
    for _ in $(seq "$runs"); do
        /usr/bin/time -o "$dir/time" -f '%e %M' "$@" >/dev/null 2>"$dir/stderr" || true
        local out
        out=$(tail -n 1 "$dir/time")
        local s=${out% *} kb=${out#* }
        if [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$s best_kb=$kb; fi
    done
    [ -n "$jq_seconds" ] || jq_seconds=$best
    last_seconds=$best last_kb=$best_kb
    awk -v n="$name" -v s="$best" -v b="$bytes" -v kb="$best_kb" -v jq="$jq_seconds" 'BEGIN {
        t = s > 0.005 ? s : 0.005
        printf "%-24s %9.2f %10.0f %12.1f %9.1fx\n", n, s, b / 1e6 / t, kb / 1024, jq / t }'
}

doc_bytes=$(stat -c %s "$doc")
json_bytes=$(stat -c %s "$json")
measure 'jq -c . (the JSON)' "$json_bytes" jq -c . "$json"
measure 'vqf check' "$doc_bytes" "$vqf" check "$doc"
measure 'vqf dump --json' "$doc_bytes" "$vqf" dump "$doc" --json
dump_seconds=$last_seconds
measure 'vqf dump' "$doc_bytes" "$vqf" dump "$doc"
measure 'vqf report' "$doc_bytes" "$vqf" report "$doc"
measure 'vqf ics' "$doc_bytes" "$vqf" ics "$doc" -o "$dir/out.ics"
measure 'vqf csv' "$doc_bytes" "$vqf" csv "$doc" -o "$dir/out.csv"
csv_seconds=$last_seconds csv_kb=$last_kb
csv_bytes=$(stat -c %s "$dir/out.csv")
measure 'vqf import (the .csv)' "$csv_bytes" "$vqf" import "$dir/out.csv" -o "$dir/from-csv.vqf" --kinds-from "$doc"
import_seconds=$last_seconds import_kb=$last_kb
measure 'vqf build (of the JSON)' "$json_bytes" "$vqf" build "$json" -o "$dir/out.vqf"
cmp -s "$doc" "$dir/out.vqf" && echo "build gave the sample back byte for byte" || echo "build output differs from the sample"
cmp -s "$doc" "$dir/from-csv.vqf" && echo "csv then import --kinds-from gave the sample back byte for byte" ||
    echo "csv then import gave back another file than the sample"
# The CSV's bounds: each way within 16 MB and no slower than dump --json.
awk -v cs="$csv_seconds" -v ck="$csv_kb" -v is="$import_seconds" -v ik="$import_kb" -v ds="$dump_seconds" 'BEGIN {
    ok = ck <= 16384 && ik <= 16384 && cs <= ds && is <= ds
    printf "csv %.2f s %.1f MB, import of the .csv %.2f s %.1f MB, dump --json %.2f s: %s\n", cs, ck / 1024, is,
           ik / 1024, ds, ok ? "within 16 MB and no slower than dump --json" : "OUTSIDE the bounds (16 MB, dump --json)" }'
if "$vqf" --help | grep -q "^  import"; then
    ics_bytes=$(stat -c %s "$dir/out.ics")
    measure 'vqf import (the .ics)' "$ics_bytes" "$vqf" import "$dir/out.ics" -o "$dir/imported.vqf"
fi
