# What `cmake --install` puts under the prefix and what `cpack -G DEB` makes of it: the two
# programs, the bundled files the window copies into its start folder, and the desktop entry,
# icon and AppStream description that menus and software centres read.
include(GNUInstallDirs)

set(ORVEK_APP_ID local.orvekcn.Orvek)
set(ORVEK_CONTACT "the Orvek C&N developers <orvek-cn@localhost>")

if(TARGET orvek-batch)
  install(TARGETS orvek-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET orvek)
  install(TARGETS orvek RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/${ORVEK_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/${ORVEK_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/${ORVEK_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/orvek-cn)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvek-cn)

set(CPACK_PACKAGE_NAME orvek-cn)
set(CPACK_PACKAGE_VENDOR "the Orvek C&N developers")
set(CPACK_PACKAGE_CONTACT "${ORVEK_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "simulation of carbon and nitrogen mineralization in soils")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/COPYING)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORVEK_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvek C&N simulates, day by day, how much of the carbon added to a soil\n\
with crop residues, roots, green manures and animal manures remains over\n\
time, and how much mineral nitrogen is released or tied up. The package\n\
holds the window (orvek) and the command-line runner (orvek-batch), with\n\
sample weather and settings.")
# The libraries the programs link decide the dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop's SVG icon and Qt's image plugin for it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6")
include(CPack)
