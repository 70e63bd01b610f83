#!/bin/sh
# The steps of ./scripts/check-package.sh, run as root inside the clean
# Debian 12 it prepares (a container or a chroot): install the package with
# apt, which brings its dependencies from Debian's mirror, run the programs
# as an ordinary user, then purge the package. One line per step; the
# output of the steps goes to the log. Exits non-zero when a step failed.
#
#   check-package-steps.sh PACKAGE.deb LOG
set -u

deb=$1
log=$2
: >"$log"
export DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8

failures=0
step() {
    name=$1
    shift
    printf '  %-48s ' "$name"
    echo "=== $name" >>"$log"
    if "$@" >>"$log" 2>&1; then
        echo ok
    else
        echo FAILED
        failures=$((failures + 1))
    fi
}

# As the operator "lab": an ordinary user, who cannot write into /usr/bin, with
# nothing of this shell's environment; no display, so Qt draws offscreen.
as_operator() {
    runuser -u lab -- env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME=/home/lab \
        QT_QPA_PLATFORM=offscreen sh -c "cd && $1"
}

# Eight runs in four flow sections, as a MathCAD text file (flow, frequency).
write_measurements() {
    printf '1.0 8.3\r\n1.02 8.5\r\n2.0 16.6\r\n2.05 17.0\r\n4.0 33.0\r\n4.1 33.9\r\n8.0 66.5\r\n8.1 67.4\r\n' \
        >/home/lab/m.txt && chown lab:lab /home/lab/m.txt
}

nothing_left() {
    for f in /usr/bin/lgmservice /usr/bin/lgmtool /usr/bin/lgmsim /usr/bin/lgmservice-demo \
        /usr/lib/libZorCommon.so.1 /usr/share/lgmservice /usr/share/applications/lgmservice.desktop; do
        [ ! -e "$f" ] || { echo "left behind: $f"; return 1; }
    done
}

echo "Debian $(cat /etc/debian_version), package $(basename "$deb")"
step "apt-get update" apt-get update -q
step "apt-get install ./$(basename "$deb")" apt-get install -y -q --no-install-recommends "$deb"
step "add the user lab" useradd -m -s /bin/sh lab
step "write a sample measurement file" write_measurements
step "lgmtool import (MathCAD text)" as_operator "lgmtool import m.txt -o m.srv"
step "lgmtool approx" as_operator "lgmtool approx m.srv -o a.srv --mode means"
step "lgmtool show" as_operator "lgmtool show a.srv"
step "lgmtool report (PDF)" as_operator \
    "lgmtool report a.srv -o report.pdf && head -c 5 report.pdf | grep -qx '%PDF-'"
step "lgmservice (offscreen, until its first paint)" as_operator \
    "LGMSERVICE_EXIT_AFTER_SHOW=1 timeout 60 lgmservice"
step "StdSect.dat in ~/.config/lgmservice" as_operator \
    "test -s .config/lgmservice/StdSect.dat && ! test -e /usr/bin/StdSect.dat"
step "lgmservice-demo (lgmsim on COM1..COM3)" as_operator \
    "LGMSERVICE_EXIT_AFTER_SHOW=1 timeout 60 lgmservice-demo >demo.txt &&
     test \$(grep -c '^COM[123]: simulated' demo.txt) = 3"
step "apt-get purge lgmservice" apt-get purge -y -q lgmservice
step "nothing of the package left" nothing_left

if [ "$failures" -ne 0 ]; then
    echo "$failures step(s) failed"
    exit 1
fi
