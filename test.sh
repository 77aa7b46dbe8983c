#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit, export,
# package and end-to-end tests (a real window under Xvfb) on the release
# build, then all of them again built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the real program under valgrind and
# against sdl12-compat.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
jobs=$(nproc)

echo "== Release build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DMOUNTAIN_RANGES_TESTS=ON -DMOUNTAIN_RANGES_BENCHMARKS=ON >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -LE memcheck)

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOUNTAIN_RANGES_SANITIZE=ON \
  -DMOUNTAIN_RANGES_TESTS=ON >/dev/null
cmake --build build-sanitize -j "$jobs"
(cd build-sanitize &&
  ASAN_OPTIONS=abort_on_error=0:detect_leaks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp":print_suppressions=0 \
  ctest --output-on-failure -LE memcheck)

echo "== The real program through all pages under valgrind memcheck"
(cd build && ctest --output-on-failure -L memcheck)

echo "== The end-to-end tests against sdl12-compat"
# Unpacked once into the build folder and reused, rather than left in /tmp.
compat=$(tests/e2e/sdl12_compat.sh "$PWD/build/sdl12-compat")
(cd build && MR_LD_LIBRARY_PATH=$compat ctest --output-on-failure -L e2e)
