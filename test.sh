#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit, export,
# package and end-to-end tests (a real window under Xvfb) on the release
# build, then all of them again built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the font fuzzer (with clang), then the
# real program under valgrind and against sdl12-compat.
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

if command -v clang++ >/dev/null; then
  echo "== The font fuzzer: every input that ever crashed it, then 50 s of fuzzing"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOUNTAIN_RANGES_FUZZ=ON >/dev/null
  cmake --build build-fuzz -j "$jobs" --target font_fuzzer
  mkdir -p build-fuzz/corpus && cp build-fuzz/times.ttf build-fuzz/corpus/
  (cd build-fuzz && export LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp" &&
    tests/fuzz/font_fuzzer ../tests/fuzz/regressions/* 2>regressions.log || { cat regressions.log; exit 1; }
    tests/fuzz/font_fuzzer -max_total_time=50 -timeout=20 -print_final_stats=1 corpus ../tests/fuzz/corpus \
      2>fuzz.log || { tail -n 60 fuzz.log; exit 1; }
    grep -E "^(Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added))" fuzz.log)
fi

echo "== The real program through all pages under valgrind memcheck"
(cd build && ctest --output-on-failure -L memcheck)

echo "== The end-to-end tests against sdl12-compat"
# Unpacked once into the build folder and reused, rather than left in /tmp.
compat=$(scripts/sdl12-compat.sh "$PWD/build/sdl12-compat")
(cd build && MR_LD_LIBRARY_PATH=$compat ctest --output-on-failure -L e2e)
