#!/bin/sh
# Builds every fuzz target of fuzz/ with clang, libFuzzer, AddressSanitizer
# and UBSan (the libraries instrumented too) and runs each for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [PATTERN]
#     SECONDS  time per target (default 30)
#     PATTERN  run only the targets whose name contains it
#
# The corpus each target grows is kept in build-fuzz/corpus/<target>, seeds
# in fuzz/corpus/<target> are read when present. A target that finds a crash
# leaves the input in build-fuzz/findings and the script fails.
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
PATTERN=${2:-}
BUILD=build-fuzz

FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DLGM_FUZZ=ON -DLGM_BUILD_GUI=OFF -DLGM_BUILD_TESTS=OFF -DLGM_BUILD_BENCH=OFF
cmake --build "$BUILD" -j2 --target fuzz_targets

mkdir -p "$BUILD/findings"
ran=0
for target in "$BUILD"/bin/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    case "$name" in *"$PATTERN"*) ;; *) continue ;; esac
    corpus="$BUILD/corpus/$name"
    seeds="fuzz/corpus/${name#fuzz_}"
    mkdir -p "$corpus"
    set -- "$corpus"
    [ -d "$seeds" ] && set -- "$@" "$seeds"
    echo "== $name: $SECONDS_EACH s"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -artifact_prefix="$BUILD/findings/$name-" "$@"
    ran=$((ran + 1))
done
[ "$ran" -gt 0 ] || { echo "no fuzz target matched '$PATTERN'" >&2; exit 1; }
echo "fuzz: $ran targets ran without a finding"
