# Shared by the run and test scripts.

# True when this machine can execute 32-bit x86 code, and so run the 32-bit
# program under Wine directly. Some kernels and sandboxes cannot.
can_run_32bit() {
    [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# How the 32-bit program runs here: "native", or "emulated" by qemu-i386 where
# the kernel cannot execute 32-bit code. VQ_WIN32_EMULATE=1 asks for the
# emulated route on any machine, with 32-bit system calls cut off as they are
# where the kernel cannot (wine-run.sh).
win32_runner() {
    if [ "${VQ_WIN32_EMULATE:-0}" != 1 ] && can_run_32bit; then
        echo native
    else
        echo emulated
    fi
}

# The PE machine field of a Windows executable: 014c for i386, 8664 for x86-64.
pe_machine() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}

# Starts a virtual display for the Wine processes of the calling script: sets
# DISPLAY and xvfb_pid. Xvfb picks a free display number itself and names it
# once it is ready.
start_display() {
    local named
    named=$(mktemp)
    Xvfb -displayfd 1 -screen 0 "${1:-1280x1024x24}" -nolisten tcp >"$named" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$named" ] && break
        sleep 0.1
    done
    export DISPLAY=:$(head -n 1 "$named")
    rm -f "$named"
}

build_preset() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}
