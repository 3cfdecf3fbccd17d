#!/usr/bin/env bash
# Runs a GoogleTest executable under Wine (wine-run.sh).
#
# Where the 32-bit program runs emulated (qemu-i386), a run can die in the
# middle: qemu-user leaves the trap number out of the signal context, so Wine
# cannot handle a fault that it handles on real hardware (a thread that Wine's
# own RPC layer starts dies this way). The run then goes on in a new process
# from the first test without a verdict. The test that was running when the
# process died is run again on its own, twice at most; if it never gets a
# verdict it is listed as one the emulator could not run, and the 64-bit
# suites run it. A process that hangs the same way is ended after a while
# without output, and a test that hangs alone too is not tried a third time.
# A failed assertion is never run again.
#
#   wine-gtest.sh TESTS.exe
set -uo pipefail

exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/common.sh"

if [ "$(pe_machine "$exe")" != 014c ] || [ "$(win32_runner)" != emulated ]; then
    exec "$here/wine-run.sh" "$exe"
fi

out=$(mktemp)
trap 'rm -f "$out"' EXIT

# A new prefix is set up through the emulator first, silently and for
# minutes: not under the watch for silent processes below.
"$here/wine-run.sh" "$exe" --gtest_list_tests >/dev/null 2>&1

# Runs the tests that $1 selects, shows their output and keeps it in $out.
# True when the process came to gtest's closing lines. A process that prints
# nothing for VQ_STALL_SECONDS (an emulated Wine waiting for a thread that
# died) is ended with everything it started.
run_tests() {
    setsid bash -c '"$0" "$1" --gtest_color=no --gtest_filter="$2" 2>&1 | sed -u "s/\r\$//" >"$3"' \
        "$here/wine-run.sh" "$exe" "$1" "$out" &
    local pid=$! size last=-1 quiet=0
    stalled=no
    while kill -0 "$pid" 2>/dev/null; do
        sleep 5
        size=$(stat -c %s "$out")
        if [ "$size" = "$last" ]; then quiet=$((quiet + 5)); else quiet=0 last=$size; fi
        if [ $quiet -ge "${VQ_STALL_SECONDS:-180}" ]; then
            echo "wine-gtest: no output for $quiet s; ending the emulated process"
            kill -KILL -- "-$pid" 2>/dev/null
            stalled=yes
            break
        fi
    done
    wait "$pid"
    cat "$out"
    grep -qE '^\[==========\] [0-9]+ tests? from .* ran\.' "$out"
}

declare -A verdict=()
unrun=()
# Takes the verdicts of the last run, and lists in cut_short the tests that
# the emulator cut short: the one running when the process died, and any that
# failed on an illegal instruction (what a fault that Wine could not classify
# becomes). A test that died after gtest printed its failure or skip keeps
# that verdict: the process dies there under the emulator (gtest then hands
# the message to OutputDebugStringA).
collect() {
    local tag name last= fault=no said=
    cut_short=()
    while read -r tag name; do
        case $tag in
            RUN) last=$name fault=no said= ;;
            FAULT) fault=yes ;;
            Failure) said=failed ;;
            Skipped) [ -n "$said" ] || said=skipped ;;
            OK) verdict[$name]=passed ;;
            SKIPPED) verdict[$name]=skipped ;;
            FAILED)
                if [ $fault = yes ]; then cut_short+=("$name"); else verdict[$name]=failed; fi
                last= ;;
        esac
    done < <(sed -nE -e 's/^\[ +(RUN|OK|FAILED|SKIPPED) +\] ([A-Za-z0-9_/.]+)( \(.*)?$/\1 \2/p' \
                    -e 's/.*SEH exception with code 0xc000001d.*/FAULT -/p' \
                    -e 's/^.*:([0-9]+:)? (Failure|Skipped)$/\2 -/p' "$out")
    if [ -n "$last" ] && [ -z "${verdict[$last]:-}" ]; then
        if [ -n "$said" ] && [ $fault = no ]; then verdict[$last]=$said; else cut_short+=("$last"); fi
    fi
}

exclude() {
    local IFS=:
    local done=("${!verdict[@]}" "${unrun[@]}")
    echo "*${done[*]:+-${done[*]}}"
}

while true; do
    known=$((${#verdict[@]} + ${#unrun[@]}))
    run_tests "$(exclude)"
    complete=$?
    collect
    pending=("${cut_short[@]}")
    for name in "${pending[@]}"; do
        for attempt in 1 2; do
            echo "wine-gtest: the emulator cut $name short; running it alone (attempt $attempt)"
            run_tests "$name"
            collect
            [ -z "${verdict[$name]:-}" ] || break
            [ $stalled = no ] || break  # hanging alone too: waiting again costs minutes
        done
        [ -n "${verdict[$name]:-}" ] || unrun+=("$name")
    done
    [ $complete -eq 0 ] && break
    if [ $((${#verdict[@]} + ${#unrun[@]})) -eq $known ]; then
        echo "wine-gtest: $exe ended before any test ran" >&2
        exit 1
    fi
done

passed=0 skipped=0 failed=()
for name in "${!verdict[@]}"; do
    case ${verdict[$name]} in
        passed) passed=$((passed + 1)) ;;
        skipped) skipped=$((skipped + 1)) ;;
        failed) failed+=("$name") ;;
    esac
done
echo
echo "== $(basename "$exe") on the 32-bit build, emulated by qemu-i386"
for name in "${failed[@]}"; do echo "FAILED: $name"; done
for name in "${unrun[@]}"; do
    echo "NOT RUN: $name: its emulated process died or hung each time it ran, alone too (Wine cannot handle faults under qemu-user); the 64-bit suites run it"
done
echo "wine-gtest: ${passed} passed, ${#failed[@]} failed, ${skipped} skipped, ${#unrun[@]} left to the 64-bit build"
[ ${#failed[@]} -eq 0 ]
