#!/usr/bin/env bash
# Builds everything and runs every test suite: the portable core natively and
# under sanitizers, then the Windows build's suites under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/common.sh

summary=()
passed_total=0
failed_total=0
run_suite() {
    local preset=$1 log rc
    log=$(mktemp)
    set +e
    ctest --preset "$preset" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    set -e
    local line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -n 1)
    summary+=("$preset: ${line:-no test summary}")
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"${line:-out of 0}")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"${line:-passed, 0 tests failed}")
    passed_total=$((passed_total + total - bad))
    failed_total=$((failed_total + bad))
    [ -n "$line" ] || rc=1
    rm -f "$log"
    return "$rc"
}

failed=0
build_preset native
run_suite native || failed=1
build_preset native-asan
run_suite native-asan || failed=1

# The core's parsers and rules under libFuzzer, for a bounded time per target.
fuzz_log=$(mktemp)
bash scripts/fuzz.sh "${VQ_FUZZ_SECONDS:-20}" | tee "$fuzz_log" || failed=1
summary+=("$(grep '^fuzz:' "$fuzz_log" | tail -n 1 || echo 'fuzz: no summary')")
rm -f "$fuzz_log"

# The shipped 32-bit program must build and be a PE32 i386 executable.
build_preset win32
exe=build/win32/src/win32/Velquorandimestra.exe
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
if [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')" != 014c ]; then
    echo "$exe is not a 32-bit executable" >&2
    exit 1
fi

if can_run_32bit; then
    run_suite win32 || failed=1
else
    echo "This machine cannot run 32-bit code: running the Windows suites on the 64-bit build."
    build_preset win64
    run_suite win64 || failed=1
fi

echo
echo "== Summary =="
printf '%s\n' "${summary[@]}"
echo "suites: $passed_total passed, $failed_total failed"
exit $failed
