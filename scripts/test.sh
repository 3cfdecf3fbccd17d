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
# Runs one CTest preset (extra arguments go to ctest) and adds its closing
# line to the summary under the given label.
run_suite() {
    local label=$1 preset=$2 log rc
    shift 2
    log=$(mktemp)
    echo
    echo "== $label"
    set +e
    ctest --preset "$preset" -V "$@" >"$log" 2>&1
    rc=$?
    set -e
    # Each suite's own counts and verdicts; everything when something failed.
    if [ "$rc" -eq 0 ]; then
        grep -E '^([0-9]+: )?(\[==========\] [0-9]+ tests? from .* ran|\[  (PASSED|FAILED|SKIPPED) |e2e: )|Test +#[0-9]+: |tests passed, ' "$log" || true
    else
        cat "$log"
    fi
    local line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -n 1)
    summary+=("$label: ${line:-no test summary}")
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
run_suite "native: portable core and vqf" native || failed=1
build_preset native-asan
run_suite "native-asan: the same under sanitizers" native-asan || failed=1

# The core's parsers and rules under libFuzzer, for a bounded time per target.
fuzz_log=$(mktemp)
bash scripts/fuzz.sh "${VQ_FUZZ_SECONDS:-20}" | tee "$fuzz_log" || failed=1
summary+=("$(grep '^fuzz:' "$fuzz_log" | tail -n 1 || echo 'fuzz: no summary')")
rm -f "$fuzz_log"

# The shipped 32-bit program: a PE32 i386 executable, its suites run on it
# natively or under qemu-i386, and its download checked and run end to end.
build_preset win32
exe=build/win32/src/win32/Velquorandimestra.exe
if [ "$(pe_machine "$exe")" != 014c ]; then
    echo "$exe is not a 32-bit executable" >&2
    exit 1
fi
runner=$(win32_runner)
if [ "$runner" = emulated ]; then
    echo "This machine cannot run 32-bit code (or VQ_WIN32_EMULATE=1): the 32-bit suites run under qemu-i386."
fi
run_suite "win32: 32-bit program, $runner" win32 -E '^e2e$' || failed=1
if bash scripts/package.sh; then
    summary+=("package: zip listing checked, e2e passed on the program from the zip (32-bit, $runner)")
    passed_total=$((passed_total + 1))
else
    summary+=("package: FAILED")
    failed_total=$((failed_total + 1))
    failed=1
fi
# Where the 32-bit program ran natively, the same suites once more the way a
# machine without 32-bit code runs them: every Wine process under qemu-i386,
# and any 32-bit system call ending the process that made it.
if [ "$runner" = native ]; then
    VQ_WIN32_EMULATE=1 run_suite "win32: 32-bit program, emulated, no 32-bit system calls" win32 || failed=1
fi

# The 64-bit build of the same sources, a check that the code holds on both
# widths.
build_preset win64
run_suite "win64: 64-bit build" win64 || failed=1

echo
echo "== Summary"
printf '%s\n' "${summary[@]}"
echo "suites: $passed_total passed, $failed_total failed"
exit $failed
