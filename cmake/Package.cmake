# The Debian package through CPack, made by `cpack -G DEB` in the build folder.
# Its runtime dependencies come from the libraries the binary links.

set(CPACK_PACKAGE_NAME orvalet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ${ORVALET_HOLDER})
set(CPACK_PACKAGE_CONTACT "${ORVALET_HOLDER} <developers@orvalet.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${ORVALET_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION} for networked set-top receivers")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "A thin bar of player keys at the top right of the screen, an extension bar"
  "and a handset picture with clickable keys. Every click sends the key to the"
  "receiver's web interface as an HTTP request. The receiver's address is read"
  "from config.txt in the working directory.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebInstalledSize.cmake)

include(CPack)
