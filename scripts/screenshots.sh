#!/bin/sh
# Takes the screenshots of docs/ from the built program under a virtual X
# server: each window is started alone on a screen of its own size and the
# screen is captured once the window has painted itself.
#
#   ./scripts/screenshots.sh [build-dir]
#
# Add a window with one more `shot` line: a name, the screen size (the
# window's size, so it fills the screen exactly) and the command that shows it.
set -eu
cd "$(dirname "$0")/.."
BUILD=${1:-build}

# shot <png> <width>x<height> <command...>
shot() {
    png=$1 size=$2
    shift 2
    xvfb-run -a -s "-screen 0 ${size}x24" sh -c '
        png=$1; shift
        "$@" &
        pid=$!
        # Wait until something besides the black root window is on the
        # screen, then give the window a moment to finish painting.
        for _ in $(seq 1 100); do
            sleep 0.1
            import -window root "$png" 2>/dev/null || continue
            [ "$(identify -format %k "$png")" -gt 1 ] && break
        done
        sleep 1
        import -window root "$png"
        kill "$pid"
        wait "$pid" 2>/dev/null || true
    ' shot "$png" "$@"
    echo "$png"
}

# A fixed, neutral start: no log, no regional settings.
export LC_ALL=C.UTF-8

shot docs/main-window.png 779x542 "$BUILD/bin/lgmservice"
# The exchange windows, each filled as in use ("lgmexchangedemo WINDOW" with
# no size prints the window's natural size).
shot docs/port-dialog.png 360x90 "$BUILD/bin/lgmexchangedemo" port 360x90
shot docs/rig-window.png 611x267 "$BUILD/bin/lgmexchangedemo" rig 611x267
shot docs/adaptor-window.png 380x88 "$BUILD/bin/lgmexchangedemo" adaptor 380x88
