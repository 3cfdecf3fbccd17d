#!/bin/sh
# Wine's 32-bit loader under user-mode emulation, for machines whose kernel
# cannot execute 32-bit x86 code. wine-run.sh runs this script as "wine" from
# a copy of Wine's loader folder (build/wine-qemu/lib/wine), where wine.elf is
# a copy of the real loader.
#
# Wine starts its other processes (its services, the desktop, a program's
# child processes) through the file named like its own first argument in the
# folder of its executable. Under qemu that executable is wine.elf and the
# first argument is this script's path, so they all come back here and run
# emulated too. WINELOADERNOEXEC keeps the loader from re-executing itself
# through the preloader, which cannot run under the emulator.
export WINELOADERNOEXEC=1
exec qemu-i386 -0 "$0" "${0%/*}/wine.elf" "$@"
