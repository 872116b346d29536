# The Debian package (cpack -G DEB in the build folder; scripts/package builds and checks it).
# Included last by the top-level CMakeLists.txt, after every install rule.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvant3k)
set(CPACK_PACKAGE_VENDOR "ORVANT-3K station developers")
set(CPACK_PACKAGE_CONTACT "${ORVANT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ORVANT-3K magnetometer data-acquisition station")
set(CPACK_PACKAGE_DESCRIPTION
  "Records the ORVANT-3K five-channel flux-gate magnetometer's lines from a
serial port in daily archive files, writes INTERMAGNET IMFV1.22 files through
a FIR decimation filter, and plots the five channels live. Runs as a desktop
program or as the systemd service orvant3k-recorder, which records unattended
into /var/lib/orvant3k. Includes a simulated instrument.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# systemd-sysusers creates the recorder's user (as debhelper's sysusers support would depend).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "systemd | systemd-standalone-sysusers | systemd-sysusers")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/debian/conffiles
  ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
  ${CMAKE_CURRENT_LIST_DIR}/debian/prerm
  ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")

include(CPack)
