#!/usr/bin/env bash
# Runs a Windows executable under Wine: picks the 32- or 64-bit loader from the
# executable's PE header (for 32-bit code, under qemu-i386 where the machine
# cannot run it), keeps one prefix per architecture under build/, sets up the
# Japanese dialog font there once, and gives the program a display (Xvfb) when
# none is set.
set -euo pipefail

exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

source "$root/scripts/common.sh"

# The emulated loader: wine-qemu.sh as "wine" in a copy of Wine's loader
# folder, beside a copy of the real loader (through a link Wine would find
# its way back to /usr/lib/wine), with the paths Wine follows from there to
# its libraries, its data and its server. Made again when Wine was updated.
emulated_loader() {
    local dir=$root/build/wine-qemu
    mkdir -p "$root/build"
    (
        flock 9
        if ! cmp -s /usr/lib/wine/wine "$dir/lib/wine/wine.elf"; then
            rm -rf "$dir"
            mkdir -p "$dir/lib/wine" "$dir/share"
            ln -s /usr/lib/i386-linux-gnu "$dir/lib/i386-linux-gnu"
            ln -s /usr/share/wine "$dir/share/wine"
            ln -s /usr/lib/wine/wineserver "$dir/lib/wine/wineserver"
            ln -s ../../../../cmake/wine-qemu.sh "$dir/lib/wine/wine"
            cc -O2 -o "$dir/no32" "$here/no32.c"
            cp /usr/lib/wine/wine "$dir/lib/wine/wine.elf"
        fi
    ) 9>"$dir.lock"
    echo "$dir/lib/wine/wine"
}

if [ "$(pe_machine "$exe")" = 8664 ]; then
    arch=win64
    run=(/usr/lib/wine/wine64)
    export WINELOADER=${run[0]}
else
    arch=win32
    run=(/usr/lib/wine/wine)
    if [ "$(win32_runner)" = emulated ]; then
        run=("$(emulated_loader)")
        # Asked for on a machine that runs 32-bit code: as on one that cannot,
        # any process that makes a 32-bit system call ends there.
        [ "${VQ_WIN32_EMULATE:-0}" != 1 ] || run=("$root/build/wine-qemu/no32" "${run[@]}")
    fi
fi

export WINEPREFIX=${VQ_WINEPREFIX:-$root/build/wine-$arch}
export WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.vq-ready" ]; then
        # A prefix whose first set-up was cut short lacks its services (the
        # file choosers then cannot browse): start again from nothing.
        for attempt in 1 2; do
            "${run[@]}" wineboot --init >/dev/null 2>&1 || true
            /usr/lib/wine/wineserver -w 2>/dev/null || true
            grep -q RpcSs "$WINEPREFIX/system.reg" 2>/dev/null && break
            rm -rf "$WINEPREFIX"
        done
        # Dialogs ask for "MS Shell Dlg" (mapped to Tahoma by Wine): give both
        # a font that has the Japanese glyphs.
        for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS UI Gothic" "MS Gothic"; do
            "${run[@]}" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "IPAPGothic" /f >/dev/null 2>&1
        done
        # No window manager runs under Xvfb: let Wine draw the frames itself
        # instead of waiting for a manager to acknowledge every hide.
        "${run[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
        /usr/lib/wine/wineserver -w 2>/dev/null || wineserver -w 2>/dev/null || true
        touch "$WINEPREFIX/.vq-ready"
    fi
    # Wine draws the caption buttons with Marlett; this Wine does not find
    # its own copy, so they came out as the letters "0 1 r".
    fonts=$WINEPREFIX/drive_c/windows/Fonts
    if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
) 9>"$WINEPREFIX.lock"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}" "$@"
fi
exec "${run[@]}" "$@"
