#!/bin/sh
# Unpacks Debian's sdl12-compat (SDL 1.2 on top of SDL 2) into a scratch
# folder without installing it, since on Debian 12 it conflicts with the
# classic SDL 1.2 the program is built against. Prints the folder holding its
# libSDL-1.2.so.0: run the program with that folder in LD_LIBRARY_PATH (the
# end-to-end tests take it as MR_LD_LIBRARY_PATH) to try it on the SDL 1.2
# that Debian 13, Ubuntu 24.04 and Fedora ship.
#
#   sdl12_compat.sh [SCRATCH_DIR]     (default: $TMPDIR/mountain-ranges-sdl12-compat)
#
# Needs apt (and root, to install libsdl2-2.0-0 when it is missing: it sits
# beside classic SDL 1.2 without conflict). All messages go to stderr; stdout
# gets only the folder.
set -eu

scratch=${1:-${TMPDIR:-/tmp}/mountain-ranges-sdl12-compat}
say() { printf 'sdl12_compat.sh: %s\n' "$*" >&2; }

find_library() {
    find "$scratch/root" -name 'libSDL-1.2.so.0' 2>/dev/null | head -n 1
}

library=$(find_library)
if [ -z "$library" ]; then
    mkdir -p "$scratch/download"
    cd "$scratch/download"
    rm -f libsdl1.2-compat_*.deb
    if ! apt-get download libsdl1.2-compat >&2; then
        say "apt-get download failed; refreshing the package lists once and retrying"
        apt-get update >&2
        apt-get download libsdl1.2-compat >&2
    fi
    rm -rf "$scratch/root"
    dpkg -x libsdl1.2-compat_*.deb "$scratch/root"
    library=$(find_library)
    if [ -z "$library" ]; then
        say "the package holds no libSDL-1.2.so.0 under $scratch/root"
        exit 1
    fi
fi

# sdl12-compat loads SDL 2 at run time.
if ! /sbin/ldconfig -p | grep -q 'libSDL2-2\.0\.so\.0 '; then
    if [ "$(id -u)" -ne 0 ]; then
        say "libsdl2-2.0-0 is missing: install it as root (apt-get install libsdl2-2.0-0)"
        exit 1
    fi
    say "installing libsdl2-2.0-0"
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends libsdl2-2.0-0 >&2 ||
        { apt-get update >&2 &&
          DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends libsdl2-2.0-0 >&2; }
fi

dirname "$library"
