#!/bin/sh
# Installs what is missing, builds everything and starts the program.
#
# By default the program starts with simulated devices, so it can be tried
# without hardware: lgmsim serves an ЛГМ meter (version 2, with a stored
# characteristic) on COM1, the БКЛТ rig controller on COM2 and a ГКМС meter
# (mode 2) on COM3, over RFC 2217 on 127.0.0.1. The simulated meter keeps
# what is written into it in build/demo/lgm-meter.bin, from run to run; the
# simulator stops when the program ends.
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

mkdir -p build/demo
ports=build/demo/ports
rm -f "$ports"
# lgmsim runs until it is stopped at the end (or for a day at most).
build/bin/lgmsim --time-limit 86400 \
    "lgm,version=2,file=build/demo/lgm-meter.bin" \
    "bklt,speed=10,flow=10,slope=0.02" \
    "gkms,mode=2" >"$ports" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT INT TERM

# lgmsim prints one "listening device=N kind=K port=P" line per device once
# all of them listen.
for _ in $(seq 1 100); do
    [ "$(grep -c '^listening' "$ports" 2>/dev/null || true)" -ge 3 ] && break
    if ! kill -0 "$sim" 2>/dev/null; then
        echo "lgmsim did not start" >&2
        exit 1
    fi
    sleep 0.1
done
while read -r word device kind port; do
    [ "$word" = listening ] || continue
    n=$((${device#device=} + 1))
    export "LGMSERVICE_COM$n=rfc2217://127.0.0.1:${port#port=}"
    echo "COM$n: simulated ${kind#kind=} on rfc2217://127.0.0.1:${port#port=}"
done <"$ports"

status=0
build/bin/lgmservice "$@" || status=$?
exit "$status"
