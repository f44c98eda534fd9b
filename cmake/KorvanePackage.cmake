# The Debian package: `cmake --build build --target package` (make package)
# writes korvane_<version>-1_<arch>.deb with the installed files, the
# copyright file and the Debian changelog in /usr/share/doc/korvane.
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/korvane)
set(_changelog ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
add_custom_command(OUTPUT ${_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
  COMMAND ${KORVANE_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog VERBATIM)
add_custom_target(korvane_changelog ALL DEPENDS ${_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${_changelog} DESTINATION ${_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Korvane developers <kv@kv.test>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/korvane/korvane)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the library scan cannot see: Qt's platform plugins, its Chinese translations and the
# Chinese font the window puts first (src/ui/common/chinese.cpp).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "route-line setting-out calculator for surveyors")
# The synopsis is the summary; this is the long description after it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Korvane sets out points along a straight route line, such as a road or
track centre line: forward and inverse coordinates and tables of points in
equal steps, in a Qt window in simplified Chinese. The command line
korvane-cli also computes along whole alignments (curves, transitions,
chain breaks, a profile) read from Korvane alignment files or LandXML.")
include(CPack)
