#!/usr/bin/env bash
# Installs what building and testing Velquorandimestra needs on Debian, once:
# as root with apt-get, otherwise by printing the one command to run. Then
# fetches the source of the libical that the Windows builds compile (the
# one Debian ships, from its source archive) into build/sources.
#
# A mirror half-way through a sync must not stop a fresh machine: an index
# that fails to load is retried and then done without, and an install that
# trips over an amd64 library newer than its i386 twin is tried once more
# with everything from the release's base suite.
set -euo pipefail
cd "$(dirname "$0")/.."

# The system's configuration and where the libical source goes; the set-up's
# own test points them at a folder of its own.
etc=${VQ_SETUP_ETC:-/etc}
sources_dir=${VQ_SOURCES_DIR:-build/sources}
update_tries=${VQ_APT_TRIES:-3}
update_pause=${VQ_APT_PAUSE:-10}

packages=(
    cmake ninja-build g++ libgtest-dev googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth xdotool imagemagick fonts-ipafont-gothic
    nlohmann-json3-dev libcli11-dev libical-dev
    clang libclang-rt-14-dev hyperfine
)
codename=$(sed -n 's/^VERSION_CODENAME=//p' "$etc/os-release")
# qemu-i386 runs the 32-bit program where the kernel cannot. Wine's processes
# crash under qemu 7.2, Debian 12's own; 10 runs them all, and Debian 12 has it
# in its backports.
backports_list=$etc/apt/sources.list.d/bookworm-backports.list
# vqf.exe reads calendars with libical compiled from Debian's own source
# package of the version libical-dev has (cmake/libical-mingw.cmake).
sources_list=$etc/apt/sources.list.d/$codename-src.list

# The address of the archive this machine installs the release from: the
# first entry of its own sources (deb822 .sources files, then the one-line
# lists) that serves the base suite, so that a machine on a local mirror
# keeps using its mirror for the entries added here.
archive_uri() {
    local f uri
    for f in "$etc"/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        uri=$(awk -v suite="$codename" '
            function flush() {
                if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ") && enabled !~ /^no$/ && uri != "")
                    { print uri; found = 1; exit }
                types = suites = uri = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            tolower($1) == "types:"   { $1 = ""; types = $0 }
            tolower($1) == "suites:"  { $1 = ""; suites = $0 }
            tolower($1) == "uris:"    { uri = $2 }
            tolower($1) == "enabled:" { enabled = tolower($2) }
            END { if (!found) flush() }' "$f")
        [ -n "$uri" ] && { echo "${uri%/}"; return 0; }
    done
    for f in "$etc"/apt/sources.list "$etc"/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        uri=$(sed -n -E "s%^[ \t]*deb[ \t]+(\[[^]]*\][ \t]+)?([^ \t]+)[ \t]+$codename[ \t].*%\2%p" "$f" | head -n 1)
        [ -n "$uri" ] && { echo "${uri%/}"; return 0; }
    done
    echo "setup: no entry of the package sources ($etc/apt) serves $codename; add one for this machine's archive" >&2
    return 1
}

# apt-get update, tried a few times; a mirror mid-sync can fail an index
# the project does not even need, so what loaded is used when it still fails.
apt_update() {
    local try log
    log=$(mktemp)
    for try in $(seq 1 "$update_tries"); do
        if apt-get update -q >"$log" 2>&1; then
            rm -f "$log"
            return 0
        fi
        [ "$try" -lt "$update_tries" ] && sleep "$update_pause"
    done
    echo "setup: apt-get update failed $update_tries times ($(grep -m 1 '^E:' "$log" | cut -c 4-240 || true)); going on with the package lists that loaded" >&2
    rm -f "$log"
}

# apt-get install of the packages named. A mirror mid-sync can offer an
# amd64 library newer than its i386 twin, which must be of one version: then
# both are taken from the release's base suite, in one more try.
apt_install() {
    local log
    log=$(mktemp)
    if apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1; then
        rm -f "$log"
        return 0
    fi
    echo "setup: the install failed; trying once more with every package from $codename's base suite" >&2
    if apt-get install -y -q --no-install-recommends -t "$codename" "$@" >"$log" 2>&1; then
        rm -f "$log"
        return 0
    fi
    echo "setup: could not install the packages:" >&2
    grep -E '^E:|not installable|not going to be installed|has no installation candidate' "$log" | head -n 12 >&2 || tail -n 12 "$log" >&2
    echo "setup: likely cause: the package lists are incomplete (see apt-get update above) or the archive is being synced; try again later" >&2
    rm -f "$log"
    exit 1
}

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
    local version sources_entry
    version=$(dpkg-query -W -f='${source:Version}' libical-dev)
    libical_source_ok "${version#*:}" && return 0
    if ! apt-cache showsrc libical3 2>/dev/null | grep -qx "Version: $version"; then
        sources_entry="deb-src $(archive_uri) $codename main"
        if [ "$(id -u)" != 0 ]; then
            echo "The source of libical $version is missing (build/sources). Run as root:" >&2
            echo "echo \"$sources_entry\" >$sources_list && apt-get update && bash scripts/setup.sh" >&2
            exit 1
        fi
        grep -rqsxF "$sources_entry" "$etc"/apt/sources.list "$etc"/apt/sources.list.d || echo "$sources_entry" >"$sources_list"
        apt_update
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
    if [ "$codename" = bookworm ]; then
        missing+=(qemu-user/bookworm-backports)
        grep -rqs bookworm-backports "$etc"/apt/sources.list "$etc"/apt/sources.list.d || need_backports=yes
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
backports=
[ $need_backports = no ] || backports="deb $(archive_uri) bookworm-backports main"

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
apt_update
apt_install "${missing[@]}"
fetch_libical_source
