# The Debian package: "cpack -G DEB" in the build folder makes
# zarvon_<version>_amd64.deb from what "cmake --install" puts under /usr,
# with the dependencies dpkg-shlibdeps finds in the programs, the UnRAR
# library recommended (it is loaded at run time, and it is non-free), and
# the copyright and changelog Debian asks of every package.
set(CPACK_PACKAGE_NAME zarvon)
set(CPACK_PACKAGE_VENDOR "Zarvon developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "archive manager for ZIP and RAR archives")
# The synopsis is the summary above; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zarvon opens, creates, extracts and tests ZIP archives (stored or Deflate,
with an optional password) and extracts RAR archives, from one window with
an explorer list, a step-by-step assistant and a tray mode, in French and
English. File managers get Extract here, Extract to and Compress actions;
zarvon-cli does the same work from the command line.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zarvon developers <zarvon@zarvon.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libunrar5")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR DEB)

# Debian keeps manual pages and the changelog compressed, and a copyright
# file with every package: added to the package's tree before it is packed.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/ZarvonDebianFiles.cmake)
set(CPACK_ZARVON_DEBIAN_FILES ${PROJECT_SOURCE_DIR}/data/debian)
include(CPack)
