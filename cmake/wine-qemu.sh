#!/bin/sh
# Wine's 32-bit loader run under user-mode emulation, for machines whose kernel
# cannot execute 32-bit x86 code. wine-run.sh names this script as WINELOADER,
# so every process Wine starts (its services, choosers, a test's child
# processes) comes back through here and runs emulated as well.
exec qemu-i386 /usr/lib/wine/wine "$@"
