#!/bin/sh
# Wine's 32-bit loader run under user-mode emulation, for machines whose kernel
# cannot execute 32-bit x86 code. wine-run.sh starts the program through this
# script. Only that first process is emulated this way: Wine sets WINELOADER
# to its own loader's path for the processes it starts (its services, the
# desktop, a test's child processes), and those are executed by the kernel,
# natively where it can, otherwise only through a binfmt_misc handler for
# 32-bit executables.
exec qemu-i386 /usr/lib/wine/wine "$@"
