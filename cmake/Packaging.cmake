# Installation layout and the Debian package.
#
#   <prefix>/bin                 lgmservice, lgmtool, lgmsim, lgmservice-demo
#   <prefix>/lib                 the six libraries, found through the programs'
#                                RPATH $ORIGIN/../lib
#   <prefix>/share/lgmservice    GradRpt.frf, PovRpt.frf (the programs look in
#                                ../share/lgmservice from their own folder)
#   <prefix>/share/applications, <prefix>/share/icons  the menu entry and icon
#
# The folders are fixed relative to each other, so an installation works under
# any prefix; "lib" is not GNUInstallDirs' multiarch folder for that reason.
# Each folder's CMakeLists.txt installs its own targets; static libraries,
# tests, benchmarks and demos are not installed.
#
#   cmake --install build --prefix /opt/lgmservice
#   scripts/package.sh          (Release build and cpack -G DEB in build-package/)

if(LGM_BUILD_GUI)
    install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/lgmservice-demo DESTINATION bin)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/lgmservice.desktop
            DESTINATION share/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/lgmservice.svg
            DESTINATION share/icons/hicolor/scalable/apps)
endif()

set(LGM_PACKAGE_MAINTAINER "lgmservice maintainers <maintainers@users.noreply.c-seed-a8d25e0e.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lgmservice)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${LGM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "calibration and verification workstation for vortex water flow meters")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})

# The long description; CPack puts the summary before it and indents it for
# the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "ЛГМ-Сервис records the runs of a meter at a test rig (typed in or taken from
the БКЛТ rig controller МН-4.6), fits the meter's flow-versus-frequency
characteristic as straight lines, writes it into ЛГМ and ГКМС meters over a
serial line and reads it back, checks calibrated meters, keeps calibration
files and prints calibration and verification reports. The interface is in
Russian.

Also included: lgmtool, the same calibration core on the command line
(import, approximation, export, PDF reports), and lgmsim, simulated meters and
rig controller served over RFC 2217, with which lgmservice-demo shows the
program without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Libraries come from dpkg-shlibdeps (Qt's, the C++ runtime's); the
# project's own are in the package itself. What no program links but the
# program loads: the Russian texts of Qt's standard buttons. The platform
# plugins (xcb, offscreen) are libqt6gui6's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")

include(CPack)
