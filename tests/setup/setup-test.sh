#!/usr/bin/env bash
# The set-up script against a package archive half-way through a sync, with
# apt-get, apt-cache, dpkg, dpkg-query and id replaced by stand-ins on PATH
# and the system's configuration in a folder of the test's own. Each scenario
# says how apt-get behaves, and what the set-up must then do.
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
real_dpkg=$(command -v dpkg)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The stand-ins. apt-get keeps what it installed in $state/installed and
# every call in $state/calls; VQ_FAKE_INSTALL says when an install works:
# "always", "target" (only with -t bookworm, as when amd64 and i386 versions
# differ) or "never".
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "apt-get $*" >>"$VQ_FAKE_STATE/calls"
case " $* " in
  *" update "*)
    echo "E: Failed to fetch http://mirror.example.test/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  *" install "*)
    if [ "$VQ_FAKE_INSTALL" = always ] || { [ "$VQ_FAKE_INSTALL" = target ] && [[ " $* " == *" -t bookworm "* ]]; }; then
      for a in "$@"; do [[ $a == -* || $a == install || $a == bookworm ]] || echo "${a%%/*}" >>"$VQ_FAKE_STATE/installed"; done
      exit 0
    fi
    echo " libwine:i386 : Depends: libgstreamer-plugins-base1.0-0:i386 (>= 1.0.0) but it is not installable"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
  *" source "*)
    printf 'libical source' >libical3_3.0.16.orig.tar.gz
    printf 'Checksums-Sha256:\n %s 14 libical3_3.0.16.orig.tar.gz\n' "$(sha256sum libical3_3.0.16.orig.tar.gz | cut -d' ' -f1)" >libical3_3.0.16-1.dsc
    exit 0 ;;
esac
STANDIN
cat >"$work/bin/apt-cache" <<'STANDIN'
#!/usr/bin/env bash
exit 0
STANDIN
cat >"$work/bin/dpkg-query" <<'STANDIN'
#!/usr/bin/env bash
format=${2#-f=}; package=$3
grep -qx "$package" "$VQ_FAKE_STATE/installed" 2>/dev/null || exit 1
case $format in
  *Status*) echo "install ok installed" ;;
  *source:Version*) echo "3.0.16-1" ;;
  *Version*) [ "$package" = qemu-user ] && echo "1:10.0.0" || echo 1 ;;
esac
STANDIN
cat >"$work/bin/dpkg" <<STANDIN
#!/usr/bin/env bash
case \$1 in
  --compare-versions) exec $real_dpkg "\$@" ;;
  --print-foreign-architectures) cat "\$VQ_FAKE_STATE/arches" 2>/dev/null ;;
  --add-architecture) echo "\$2" >>"\$VQ_FAKE_STATE/arches" ;;
esac
STANDIN
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
chmod +x "$work/bin/"*

passed=0
failed=0
check() {  # check NAME CONDITION...
    local name=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $scenario: $name"; fi
}

# scenario, install behaviour, expected exit status of the set-up
while read -r scenario install status; do
    state=$work/$scenario
    etc=$state/etc
    mkdir -p "$etc/apt/sources.list.d"
    echo VERSION_CODENAME=bookworm >"$etc/os-release"
    # The machine's own sources, deb822 style, on a local mirror.
    cat >"$etc/apt/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
# a comment
URIs: http://mirror.example.test/debian/
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror.example.test/debian-security
Suites: bookworm-security
Components: main
SOURCES
    out=$(cd "$repo" && PATH="$work/bin:$PATH" VQ_FAKE_STATE="$state" VQ_FAKE_INSTALL="$install" \
        VQ_SETUP_ETC="$etc" VQ_SOURCES_DIR="$state/sources" VQ_APT_TRIES=2 VQ_APT_PAUSE=0 \
        bash scripts/setup.sh 2>&1)
    rc=$?
    check "exit status $rc, expected $status" [ "$rc" = "$status" ]
    check "update tried again" [ "$(grep -c 'apt-get update' "$state/calls")" -ge 2 ]
    check "says it goes on with what loaded" grep -q "going on with the package lists that loaded" <<<"$out"
    check "i386 added" grep -qx i386 "$state/arches"
    check "backports from the configured mirror" \
        grep -qx "deb http://mirror.example.test/debian bookworm-backports main" "$etc/apt/sources.list.d/bookworm-backports.list"
    if [ "$status" = 0 ]; then
        check "wine32:i386 installed" grep -qx wine32:i386 "$state/installed"
        check "qemu-user installed" grep -qx qemu-user "$state/installed"
        check "libical source fetched" [ -f "$state/sources/libical3_3.0.16.orig.tar.gz" ]
        check "deb-src from the configured mirror" \
            grep -qx "deb-src http://mirror.example.test/debian bookworm main" "$etc/apt/sources.list.d/bookworm-src.list"
    else
        check "names the package" grep -q "libgstreamer-plugins-base1.0-0:i386" <<<"$out"
        check "names the likely cause" grep -q "likely cause" <<<"$out"
    fi
    [ "$install" = target ] && check "retried with the base suite" grep -q -- "install .*-t bookworm" "$state/calls"
    [ "$install" = always ] && check "no retry needed" bash -c "! grep -q -- '-t bookworm' '$state/calls'"
done <<'SCENARIOS'
mid-sync-index-only always 0
mid-sync-mismatched-i386 target 0
uninstallable never 1
SCENARIOS

echo "setup: $passed passed, $failed failed"
[ "$failed" = 0 ]
