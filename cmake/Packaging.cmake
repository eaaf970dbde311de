# The desktop's menu entry, icon and software-centre data, the manual page, the licence and the
# changelog, installed with the program, and the Debian package: `cpack -G DEB` in the build
# folder makes morvane_<version>_amd64.deb (scripts/package.sh builds it with Debian's flags).

set(MORVANE_DATA ${PROJECT_SOURCE_DIR}/data)
# The day of this version's release, as the software-centre data lists it.
set(MORVANE_RELEASE_DATE 2026-12-07)
configure_file(${MORVANE_DATA}/org.morvane.Morvane.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/data/org.morvane.Morvane.metainfo.xml @ONLY)
configure_file(${MORVANE_DATA}/morvane.1.in ${PROJECT_BINARY_DIR}/data/morvane.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/CHANGELOG ${PROJECT_BINARY_DIR}/data/changelog COPYONLY)

# Debian keeps manual pages and changelogs gzipped at the highest level, without the time of
# packing in the header.
set(gzipped)
foreach(doc morvane.1 changelog)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/data/${doc}.gz
                     COMMAND gzip -9 -n -k -f ${doc}
                     # gzip gives the copy its source's time; the build wants it newer.
                     COMMAND ${CMAKE_COMMAND} -E touch ${doc}.gz
                     DEPENDS ${PROJECT_BINARY_DIR}/data/${doc}
                     WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/data VERBATIM)
  list(APPEND gzipped ${PROJECT_BINARY_DIR}/data/${doc}.gz)
endforeach()
add_custom_target(morvane_docs ALL DEPENDS ${gzipped})

install(FILES ${MORVANE_DATA}/org.morvane.Morvane.desktop DESTINATION share/applications)
install(FILES ${PROJECT_BINARY_DIR}/data/org.morvane.Morvane.metainfo.xml
        DESTINATION share/metainfo)
install(FILES ${MORVANE_DATA}/icons/morvane.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES ${MORVANE_DATA}/icons/morvane-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME morvane.png)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/data/morvane.1.gz DESTINATION share/man/man1)
# A native package's changelog is changelog.gz; the copyright file says what LICENSE says, in
# Debian's machine-readable form.
install(FILES ${MORVANE_DATA}/copyright ${PROJECT_BINARY_DIR}/data/changelog.gz
        DESTINATION share/doc/morvane)

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
