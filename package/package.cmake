# The Debian package: cpack -G DEB in a build folder (scripts/package builds
# one with Debian's own compiler flags). Installs under /usr.

# Debian's changelog, compressed without a time stamp so that the same sources
# give the same package.
set(velvane_changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_command(OUTPUT ${velvane_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/package/changelog > ${velvane_changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/package/changelog
    COMMENT "Compressing the Debian changelog"
)
add_custom_target(changelog ALL DEPENDS ${velvane_changelog})
install(FILES ${velvane_changelog} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/velvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Orvik <orvik@velvane.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "restyle how the Windows file manager shows a drive")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velvane is for preparing drives on a Debian desktop for Windows machines:\n"
    "a USB stick, a card or a disk that a Windows computer will later mount.\n"
    "In one window you choose a background picture, a folder-text colour and an\n"
    "icon, choose the drive, and apply.\n"
    "\n"
    "It writes desktop.ini into the drive's root, with the picture and the text\n"
    "colour of the Windows file manager's folder view, and Autorun.inf, with the\n"
    "drive's icon, leaving every other line of those files as it was.\n")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the program (dpkg-shlibdeps); the window's face and
# the links' opener are run-time needs no library names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
