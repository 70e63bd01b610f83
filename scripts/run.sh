#!/bin/sh
# Installs what is missing, builds everything and starts the program.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ -x build/bin/lgmservice ]; then
    exec build/bin/lgmservice "$@"
fi
echo "Built everything in build/; the program lgmservice is not part of the build yet."
