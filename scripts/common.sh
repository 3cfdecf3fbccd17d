# Shared by the run and test scripts.

# True when this machine can execute 32-bit x86 code, and so run the 32-bit
# program under Wine. Some kernels and sandboxes cannot; the 64-bit build of
# the same sources then stands in for it.
can_run_32bit() {
    [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

build_preset() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}
