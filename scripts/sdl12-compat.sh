#!/bin/sh
# Unpacks Debian's sdl12-compat (SDL 1.2 on SDL 2, as Debian 13, Ubuntu 24.04
# and Fedora ship it) into SCRATCH_DIR without installing it, since on Debian
# 12 it conflicts with the classic SDL 1.2 the program is built against, and
# prints the folder to put in the program's LD_LIBRARY_PATH. Needs
# libsdl2-2.0-0, which sits beside classic SDL 1.2.
#
#   sdl12_compat.sh SCRATCH_DIR
set -eu
scratch=$1
if [ ! -d "$scratch/root" ]; then
    mkdir -p "$scratch/download"
    (cd "$scratch/download" && { apt-get download libsdl1.2-compat >&2 ||
        { apt-get update >&2 && apt-get download libsdl1.2-compat >&2; }; })
    dpkg -x "$scratch"/download/libsdl1.2-compat_*.deb "$scratch/root"
fi
dirname "$(find "$scratch/root" -name 'libSDL-1.2.so.0' | head -n 1)"
