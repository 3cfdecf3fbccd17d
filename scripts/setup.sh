#!/usr/bin/env bash
# Installs what building and testing Velquorandimestra needs on Debian, once:
# as root with apt-get, otherwise by printing the one command to run. Then
# fetches the source of the libical that the Windows builds compile (the
# one Debian ships, from its source archive) into build/sources.
set -euo pipefail
cd "$(dirname "$0")/.."

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
# vqf.exe reads calendars with libical compiled from Debian's own source
# package of the version libical-dev has (cmake/libical-mingw.cmake).
codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
sources_entry="deb-src http://deb.debian.org/debian $codename main"
sources_list=/etc/apt/sources.list.d/$codename-src.list
sources_dir=build/sources

# The .dsc and the original tarball it names, the tarball checked against
# the SHA-256 the .dsc lists. Debian's packaging tarball is not needed (and
# may be missing from a mirror): nothing of it is used.
libical_source_ok() {
    local dsc=$sources_dir/libical3_$1.dsc tarball sum
    [ -f "$dsc" ] || return 1
    read -r sum tarball < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{s/^ \([0-9a-f]\{64\}\) [0-9]* \(.*\.orig\.tar\.[a-z0-9]*\)$/\1 \2/p}' "$dsc")
    [ -n "${tarball:-}" ] && [ -f "$sources_dir/$tarball" ] &&
        [ "$(sha256sum "$sources_dir/$tarball" | cut -d' ' -f1)" = "$sum" ]
}

fetch_libical_source() {
    local version
    version=$(dpkg-query -W -f='${source:Version}' libical-dev)
    libical_source_ok "${version#*:}" && return 0
    if ! apt-cache showsrc libical3 2>/dev/null | grep -qx "Version: $version"; then
        if [ "$(id -u)" != 0 ]; then
            echo "The source of libical $version is missing (build/sources). Run as root:" >&2
            echo "echo \"$sources_entry\" >$sources_list && apt-get update && bash scripts/setup.sh" >&2
            exit 1
        fi
        grep -rqsxF "$sources_entry" /etc/apt/sources.list /etc/apt/sources.list.d || echo "$sources_entry" >"$sources_list"
        apt-get update -q >/dev/null
    fi
    mkdir -p "$sources_dir"
    # Another version's files would only confuse which one the build takes.
    rm -f "$sources_dir"/libical3_*
    echo "Fetching the source of libical $version into $sources_dir"
    # apt-get fails on a missing packaging tarball after it has fetched the
    # rest; what counts is the check below.
    (cd "$sources_dir" && apt-get source -q --download-only "libical3=$version" >/dev/null 2>&1) || true
    if ! libical_source_ok "${version#*:}"; then
        echo "setup: could not fetch the original tarball of libical $version with the SHA-256 its .dsc" \
            "lists into $sources_dir (apt-get source --download-only libical3=$version)" >&2
        exit 1
    fi
    rm -f "$sources_dir"/*.debian.tar.* "$sources_dir"/*.diff.gz
}

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
if [ ${#missing[@]} -eq 0 ]; then
    fetch_libical_source
    exit 0
fi

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
fetch_libical_source
