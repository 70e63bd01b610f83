#!/bin/sh
# Builds everything and runs every test: first the normal build, then the
# library and core tests again under AddressSanitizer and UBSan.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh

JOBS=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$JOBS"
ctest --test-dir build --output-on-failure -j "$JOBS"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLGM_SANITIZE=ON \
      -DLGM_BUILD_GUI=OFF -DLGM_BUILD_BENCH=OFF
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$JOBS" -LE gui
