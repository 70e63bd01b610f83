#!/bin/sh
# Installs what is missing, builds everything and starts the program.
#
# By default the program starts with simulated devices, so it can be tried
# without hardware: lgmsim serves an ЛГМ meter (version 2, with a stored
# characteristic) on COM1, the БКЛТ rig controller on COM2 and a ГКМС meter
# (mode 2) on COM3, over RFC 2217 on 127.0.0.1 (packaging/lgmservice-demo,
# installed as lgmservice-demo). The simulated meter keeps what is written
# into it in build/demo/lgm-meter.bin, from run to run; the simulator stops
# when the program ends.
#
#   ./scripts/run.sh [--no-demo] [lgmservice arguments, e.g. /L]
#
# --no-demo (or LGMSERVICE_NO_DEMO=1) starts the program on the real serial
# ports (or on whatever LGMSERVICE_COM<n> names).
set -eu
cd "$(dirname "$0")/.."

no_demo=${LGMSERVICE_NO_DEMO:-0}
if [ "${1:-}" = "--no-demo" ]; then
    no_demo=1
    shift
fi

./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ ! -x build/bin/lgmservice ]; then
    echo "Built everything in build/; the program lgmservice is not part of the build yet."
    exit 0
fi
if [ "$no_demo" != "0" ]; then
    exec build/bin/lgmservice "$@"
fi

# The demo as the installed program has it (packaging/lgmservice-demo), on
# the programs just built, with the simulated meter's memory in build/demo.
LGMSERVICE_BIN="$PWD/build/bin" LGMSERVICE_DEMO_DIR="$PWD/build/demo" \
    exec packaging/lgmservice-demo "$@"
