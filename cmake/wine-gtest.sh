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
# With --process-per-suite each test suite runs in a process of its own, so
# that what one suite leaves behind in an emulated process (threads, timers,
# windows) cannot stall the next: the window tests need it, the core's tests
# are cheaper in one process. The processes of a run share one display and
# one Wine server that stays up, so each finds Wine's services running.
#
#   wine-gtest.sh TESTS.exe [--process-per-suite]
set -uo pipefail

exe=$1 per_suite=${2:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/common.sh"

if [ "$(pe_machine "$exe")" != 014c ] || [ "$(win32_runner)" != emulated ]; then
    exec "$here/wine-run.sh" "$exe"
fi

out=$(mktemp) listing=$(mktemp)
export WINEPREFIX=${VQ_WINEPREFIX:-$(dirname "$here")/build/wine-win32}
server=/usr/lib/wine/wineserver
xvfb_pid=
[ -n "${DISPLAY:-}" ] || start_display
trap '"$server" -k 2>/dev/null; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null; rm -f "$out" "$listing"' EXIT

# A new prefix is set up through the emulator first, silently and for
# minutes: not under the watch for silent processes below.
"$here/wine-run.sh" "$exe" --gtest_list_tests 2>/dev/null | tr -d '\r' >"$listing"
mapfile -t tests < <(awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }' "$listing")
[ ${#tests[@]} -gt 0 ] || { echo "wine-gtest: $exe lists no tests" >&2; exit 1; }
# What each process runs: every test, or the tests of one suite.
groups=("")
[ "$per_suite" != --process-per-suite ] || mapfile -t groups < <(sed -nE 's/^([A-Za-z0-9_/]+\.)( .*)?$/\1/p' "$listing")

# One Wine server for the run, with Wine's services, started outside the
# watch below: they outlive the process that starts them, and the output
# they inherit would hold a watched process's pipe open. Started afresh
# after a process that died or hung: after one, the next process stalled
# waiting for the desktop process that it had started itself.
fresh_server() {
    "$server" -k 2>/dev/null
    "$server" -w 2>/dev/null
    "$server" -p
    "$here/wine-run.sh" "$exe" --gtest_list_tests >/dev/null 2>&1
}
fresh_server

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
    grep -qE '^\[==========\] [0-9]+ tests? from .* ran\.' "$out" && return
    fresh_server
    return 1
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

# True while a test whose name starts with $1 has neither a verdict nor been
# given up on.
left() {
    local name
    for name in "${tests[@]}"; do
        [[ $name == "$1"* && -z ${verdict[$name]:-} && " ${unrun[*]} " != *" $name "* ]] && return 0
    done
    return 1
}

# The filter for the tests whose names start with $1 that have neither a
# verdict nor been given up on.
remaining() {
    local IFS=:
    local done=("${!verdict[@]}" "${unrun[@]}")
    echo "$1*${done[*]:+-${done[*]}}"
}

# Runs the tests whose names start with $1 until each has a verdict or has
# been given up on.
run_group() {
    local group=$1 known complete pending name attempt
    while true; do
        known=$((${#verdict[@]} + ${#unrun[@]}))
        run_tests "$(remaining "$group")"
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
        [ $complete -eq 0 ] || ! left "$group" && break
        if [ $((${#verdict[@]} + ${#unrun[@]})) -eq $known ]; then
            echo "wine-gtest: $exe ended before any test of ${group:-the run} ran" >&2
            return 1
        fi
    done
}

for group in "${groups[@]}"; do
    run_group "$group" || exit 1
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
