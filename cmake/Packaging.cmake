# The desktop's menu entry, icon and software-centre data, installed with the program, and the
# Debian package: `cpack -G DEB` in the build folder makes morvane_<version>_amd64.deb.

set(MORVANE_DATA ${PROJECT_SOURCE_DIR}/data)
# The day of this version's release, as the software-centre data lists it.
set(MORVANE_RELEASE_DATE 2026-12-07)
configure_file(${MORVANE_DATA}/org.morvane.Morvane.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/data/org.morvane.Morvane.metainfo.xml @ONLY)

install(FILES ${MORVANE_DATA}/org.morvane.Morvane.desktop DESTINATION share/applications)
install(FILES ${PROJECT_BINARY_DIR}/data/org.morvane.Morvane.metainfo.xml
        DESTINATION share/metainfo)
install(FILES ${MORVANE_DATA}/icons/morvane.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES ${MORVANE_DATA}/icons/morvane-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME morvane.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Morvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps an eye on a list of files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Morvane developers <maintainers@morvane.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://morvane.example.org/)
# The first line of the package's description is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Morvane is a small Japanese-language desktop utility. At a fixed
interval it looks every file of a list up and shows one colour-coded row per
file: changed at this check, changed at the previous check, modified today, or
not found.")
# The libraries come from dpkg-shlibdeps; the table's Japanese text needs the font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-ipafont-gothic)
# Without an X server (XWayland) the window needs Qt's Wayland platform.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
