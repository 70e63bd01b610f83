#!/bin/sh
# Builds the Debian package of the program: a Release build of the programs
# and libraries alone (no tests, benchmarks or demos) in build-package/, then
# cpack -G DEB.
#
#   ./scripts/package.sh
#
# Leaves build-package/lgmservice_<version>_<arch>.deb; install it with
#   sudo apt install ./build-package/lgmservice_<version>_<arch>.deb
# and prove it on a clean Debian 12 with ./scripts/check-package.sh.
# JOBS sets the build's parallelism (default 2).
set -eu
cd "$(dirname "$0")/.."

./scripts/deps.sh
# The install step builds nothing itself (CMAKE_SKIP_INSTALL_ALL_DEPENDENCY):
# only the installed targets are built below.
cmake -S . -B build-package -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DLGM_BUILD_GUI=ON -DLGM_BUILD_TESTS=OFF -DLGM_BUILD_BENCH=OFF \
    -DLGM_SANITIZE=OFF -DLGM_FUZZ=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build build-package -j "${JOBS:-2}" --target lgmservice lgmtool lgmsim
rm -f build-package/lgmservice_*.deb
(cd build-package && cpack -G DEB)

deb=$(ls build-package/lgmservice_*.deb)
echo
dpkg-deb --field "$deb" Package Version Architecture Installed-Size Depends Recommends
echo "Package: $deb"
