#!/usr/bin/env bash
# Builds the libFuzzer targets of the portable core (preset `fuzz`: clang with
# address and undefined-behaviour sanitizers) and runs each one for a bounded
# time. Fails on any finding: a crash, a failed check, a leak, a read outside
# the input, undefined behaviour, a timeout or an out-of-memory.
#
#   scripts/fuzz.sh              20 seconds per target (what CI runs)
#   scripts/fuzz.sh 3600         an hour per target, for a longer local run
#   scripts/fuzz.sh 600 fuzz_load   one target only
#
# Seeds come from fuzz/corpus (written by make_fuzz_corpus from the sample
# generator) and, for the JSON and calendar readers, fuzz/seeds/<target>;
# inputs that once failed are kept in fuzz/regressions/<target>
# and are replayed first. What the fuzzer learns stays in build/fuzz/work, so
# repeated local runs go on where the last one stopped. A finding is saved in
# build/fuzz/artifacts; replay it with build/fuzz/fuzz/<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_load fuzz_roundtrip fuzz_fields fuzz_report fuzz_document fuzz_json fuzz_ics)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 >/dev/null

bin=build/fuzz/fuzz
mkdir -p build/fuzz/artifacts
total_execs=0
findings=0
lines=()
for t in "${targets[@]}"; do
    work=build/fuzz/work/$t
    mkdir -p "$work"
    regressions=fuzz/regressions/$t
    dirs=("$work" fuzz/corpus)
    [ -d "fuzz/seeds/$t" ] && dirs+=("fuzz/seeds/$t")
    [ -d "$regressions" ] && dirs+=("$regressions")
    log=build/fuzz/$t.log
    start=$(date +%s)
    set +e
    "$bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
        -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$t-" "${dirs[@]}" >"$log" 2>&1
    rc=$?
    set -e
    elapsed=$(( $(date +%s) - start ))
    execs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
    execs=${execs:-0}
    total_execs=$((total_execs + execs))
    corpus=$(find "$work" -type f | wc -l)
    if [ $rc -eq 0 ]; then
        line="$t: $execs executions in ${elapsed} s, corpus $corpus, no finding"
    else
        findings=$((findings + 1))
        line="$t: FINDING after $execs executions in ${elapsed} s (exit $rc), see $log"
        echo "---- $t ----" >&2
        grep -E 'check failed|ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -n 20 >&2 || tail -n 30 "$log" >&2
    fi
    echo "$line"
    lines+=("$line")
done
echo "fuzz: ${#targets[@]} targets x ${seconds} s, $total_execs executions, $findings with findings"
[ $findings -eq 0 ]
