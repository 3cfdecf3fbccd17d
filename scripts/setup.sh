#!/usr/bin/env bash
# Installs what building and testing Velquorandimestra needs on Debian, once:
# as root with apt-get, otherwise by printing the one command to run.
set -euo pipefail

packages=(
    cmake ninja-build g++ libgtest-dev googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth xdotool imagemagick fonts-ipafont-gothic
    nlohmann-json3-dev libcli11-dev libical-dev
    clang libclang-rt-14-dev hyperfine
)
# qemu-i386 runs the 32-bit program where the kernel cannot. Wine's processes
# crash under qemu 7.2, Debian 12's own; 10 runs them all, and Debian 12 has it
# in its backports.
backports="deb http://deb.debian.org/debian bookworm-backports main"
backports_list=/etc/apt/sources.list.d/bookworm-backports.list

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
need_backports=no
if ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || echo 0)" ge 1:10; then
    if grep -q '^VERSION_CODENAME=bookworm$' /etc/os-release; then
        missing+=(qemu-user/bookworm-backports)
        grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d || need_backports=yes
    else
        missing+=(qemu-user)
    fi
fi
[ ${#missing[@]} -eq 0 ] && exit 0

need_i386=no
for p in "${missing[@]}"; do [[ $p == *:i386 ]] && need_i386=yes; done

if [ "$(id -u)" != 0 ]; then
    echo "Missing packages. Run as root:" >&2
    [ $need_i386 = yes ] && printf 'dpkg --add-architecture i386 && ' >&2
    [ $need_backports = yes ] && printf 'echo "%s" >%s && ' "$backports" "$backports_list" >&2
    echo "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
if [ $need_i386 = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
[ $need_backports = no ] || echo "$backports" >"$backports_list"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
