#!/usr/bin/env bash
# Installs the Debian packages that building (run), building the .deb with
# `cpack -G DEB` (package) or testing (test) needs, asking apt only for those
# that are missing.
set -euo pipefail

run_packages=(cmake g++ make pkg-config libsdl1.2-dev libsdl-ttf2.0-dev libfreetype-dev libpng-dev libcairo2-dev
              libpaper-dev fonts-liberation)
# CPack finds the binaries with file and their dependencies with dpkg-shlibdeps.
package_packages=(dpkg-dev file)
# libsdl2-2.0-0 is what sdl12-compat runs on; lintian checks the .deb; rsvg-convert
# draws the SVG pages, poppler-utils the PDF, and pdflatex compiles a TikZ page;
# clang builds the font fuzzer, with libFuzzer and the sanitizer runtimes from
# libclang-rt-14-dev, which clang only recommends; strace kills the exporter at
# each step of putting a set in place, and logs its syncs; paperconf lists the
# papers libpaper knows, with their sizes.
test_packages=(libgtest-dev libbenchmark-dev xvfb python3 python3-xlib
               python3-pil valgrind desktop-file-utils libsdl2-2.0-0 lintian librsvg2-bin clang
               libclang-rt-14-dev poppler-utils texlive-latex-base texlive-pictures strace libpaper-utils)

case "${1:-run}" in
  run) wanted=("${run_packages[@]}") ;;
  package) wanted=("${run_packages[@]}" "${package_packages[@]}") ;;
  test) wanted=("${run_packages[@]}" "${package_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [run|package|test]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "Missing packages: ${missing[*]}; run this as root or install them first." >&2
  exit 1
fi
echo "Installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
