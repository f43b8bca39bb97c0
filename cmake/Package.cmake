# The Debian package, built by scripts/package with CPack's DEB generator.
# The program looks for its manual beside its own real path, so the two live
# together in /usr/lib/ventrel and /usr/bin/ventrel only links to them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ventrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillot)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop monitor for one router over SNMP")
set(CPACK_PACKAGE_DESCRIPTION "\
Ventrel polls one router every second with SNMP version 1 GetRequests and
shows its CPU load, the use of its memory pools and the packets per second
of one chosen interface in a small window of fixed size. Closed, it hides
to the tray and goes on polling; the way back can ask for a password.

The package also holds simrouter, a simulated router to try it with, and
berdump, which prints SNMP datagrams as their BER tree.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillot <ventrel@ventrel.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ventrel.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not tell: Qt loads the X desktop's as a plugin at
# run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The fonts the forms are drawn in, without which Qt picks look-alikes, and
# the Wayland desktop's plugin, without which a Wayland session runs the
# program through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, qt6-wayland")
include(CPack)
