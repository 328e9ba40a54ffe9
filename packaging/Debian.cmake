# The Debian package: `cpack -G DEB` in the build folder makes
# sheetsplicer_<version>_<arch>.deb with both programs, the desktop entry and
# the icon under /usr. The installed window keeps its settings in the user's
# configuration folder, since /usr/bin is not the user's to write.

set(CPACK_PACKAGE_NAME "sheetsplicer")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Sheetsplicer")
# No mail address has been chosen yet: the reserved .invalid domain says so
# without borrowing anyone's (Debian refuses a maintainer on localhost).
set(CPACK_PACKAGE_CONTACT "Sheetsplicer maintainers <sheetsplicer@sheetsplicer.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Splits a summary table into one worksheet per category with an index sheet")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The build's debug information stays in the build folder.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
# The summary above is the synopsis; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sheetsplicer turns the summary table of a workbook (.xlsx, .xls, .xlsm)\n\
into one worksheet per category plus an index sheet, linked by lookup\n\
formulas. The spreadsheet work is done by LibreOffice Calc. Includes the\n\
window (Sheetsplicer) and the command-line program (sheetsplicer-cli).")
# What the two programs load (ldd), by the packages that hold it (dpkg -S),
# the office they drive and Qt's own Chinese texts for the window's dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libreoffice-calc-nogui | libreoffice-calc, qttranslations5-l10n, \
libc6, libstdc++6, libgcc-s1, \
libqt5core5a (>= 5.15), libqt5gui5 (>= 5.15), libqt5widgets5 (>= 5.15), \
libuno-sal3, libuno-cppu3, libuno-cppuhelpergcc3-3, \
libzip4, libgsf-1-114, libxml2, libglib2.0-0, libssl3, zlib1g")

include(${CMAKE_CURRENT_LIST_DIR}/DebianDocs.cmake)
# Why the programs keep their search path into LibreOffice's folder.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${CPACK_PACKAGE_NAME})

include(CPack)
