#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the demo need,
# asking apt only for what is missing.
set -eu

PACKAGES="cmake g++ ninja-build pkg-config dpkg-dev
qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins qt6-translations-l10n
libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev zlib1g-dev
python3-serial xvfb xauth imagemagick poppler-utils fonts-dejavu-core clang libclang-rt-14-dev"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing:$missing"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
