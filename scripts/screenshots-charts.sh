#!/bin/sh
# Takes the pictures of docs/ for the graph windows, the main window in use
# and the reports from the built programs: the windows under a virtual X
# server on a sample calibration (lgmchartsdemo saves each window once it has
# painted itself), and the first page of each report as lgmtool writes it.
#
#   ./scripts/screenshots-charts.sh [build-dir]
set -eu
cd "$(dirname "$0")/.."
BUILD=${1:-build}
DEMO="$BUILD/bin/lgmchartsdemo"

# A fixed, neutral start: no regional settings.
export LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sample calibration and two older ones of the same meter, its
# frequencies drifted by +6 and -5 per mille.
QT_QPA_PLATFORM=offscreen "$DEMO" sample "$work/current.srv" 0
QT_QPA_PLATFORM=offscreen "$DEMO" sample "$work/calibration-2023.srv" 6
QT_QPA_PLATFORM=offscreen "$DEMO" sample "$work/calibration-2022.srv" -5

window() {
    png=$1
    shift
    xvfb-run -a -s "-screen 0 1280x800x24" "$DEMO" "$@" --png "$png"
    echo "$png"
}
window docs/graph-errors.png graph 1
window docs/graph-characteristic.png graph 0
window docs/comparative-graphs.png compare "$work/calibration-2023.srv" "$work/calibration-2022.srv"
# The main window on the same calibration, in either mode.
window docs/main-window-calibration.png main
window docs/main-window-verification.png main verification

# report <mode> <png>: the first page of the report at 80 dpi.
report() {
    "$BUILD/bin/lgmtool" report "$work/current.srv" --mode "$1" -o "$work/$1.pdf"
    pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$work/$1.pdf" "${2%.png}"
    echo "$2"
}
report calibration docs/report-calibration.png
report verification docs/report-verification.png
