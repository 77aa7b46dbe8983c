#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program from the build
# folder, where the build has put its font as times.ttf.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DMOUNTAIN_RANGES_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"
cd build
exec ./mountain-ranges
