#!/bin/sh
# Start-up of lgmservice: from the process's start to the main window painted
# the first time (LGMSERVICE_EXIT_AFTER_SHOW ends it there), with the peak
# memory of the process. Goals: under 0.5 s and under 100 MB.
#
#   ./bench/startup.sh [build-dir] [runs]
#
# Runs through a virtual X server (xvfb-run) unless a display is set; with
# QT_QPA_PLATFORM=offscreen it needs no X server at all.
set -eu
if [ -z "${DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
    exec xvfb-run -a "$0" "$@"
fi
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-10}
BIN="$BUILD/bin/lgmservice"
[ -x "$BIN" ] || { echo "build $BIN first" >&2; exit 1; }

export LGMSERVICE_EXIT_AFTER_SHOW=1
memory=$(mktemp)
trap 'rm -f "$memory" "$memory.ms"' EXIT
"$BIN" 2>/dev/null # once unmeasured: the file and font caches
i=0
peak=0
while [ "$i" -lt "$RUNS" ]; do
    start=$(date +%s%N)
    /usr/bin/time -f %M -o "$memory" "$BIN" 2>/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000)) >>"$memory.ms"
    kb=$(tail -n 1 "$memory")
    [ "$kb" -gt "$peak" ] && peak=$kb
    i=$((i + 1))
done
sort -n "$memory.ms" | awk -v peak="$peak" '
    { ms[NR] = $1 }
    END {
        printf "start-up to the shown window, %d runs: median %d ms, worst %d ms; peak memory %.1f MB\n",
               NR, ms[int((NR + 1) / 2)], ms[NR], peak / 1024
    }'
