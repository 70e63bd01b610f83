#!/bin/sh
# The soak of the exchange thread: thousands of random meter, rig and service
# commands through the real exchange thread against lgmsim's devices while
# faults are switched on and off in them, built under AddressSanitizer and
# UBSan (LeakSanitizer checks the exit). It ends with one summary line and
# fails on a violation (a failed exchange that changed the document, a
# document left locked), a hang (the watchdog names what did not end) or a
# leak.
#
#   ./scripts/soak.sh [SECONDS] [SEED]
#     SECONDS  how long the commands go on (default 180)
#     SEED     repeats a run's random choices (its summary line names it)
set -eu
cd "$(dirname "$0")/.."
RUN_SECONDS=${1:-180}
SEED=${2:-}
BUILD=build-asan

./scripts/deps.sh
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLGM_SANITIZE=ON \
      -DLGM_BUILD_GUI=OFF -DLGM_BUILD_BENCH=OFF
cmake --build "$BUILD" -j "$(nproc)" --target lgmsoak lgmsim

set -- "$RUN_SECONDS"
[ -n "$SEED" ] && set -- "$@" --seed "$SEED"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 "$BUILD/bin/lgmsoak" "$@"
