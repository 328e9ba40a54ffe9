# The Debian package: `cpack -G DEB` in the build folder makes
# sheetsplicer_<version>_<arch>.deb with both programs, the desktop entry and
# the icon under /usr. The installed window keeps its settings in the user's
# configuration folder, since /usr/bin is not the user's to write.

set(CPACK_PACKAGE_NAME "sheetsplicer")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Sheetsplicer")
set(CPACK_PACKAGE_CONTACT "Sheetsplicer maintainers <sheetsplicer@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Splits a summary table into one worksheet per category with an index sheet")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The build's debug information stays in the build folder.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
# The summary above is the synopsis; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sheetsplicer turns the summary table of a workbook (.xlsx, .xls, .xlsm) into one\n\
worksheet per category plus an index sheet, linked by lookup formulas. The\n\
spreadsheet work is done by LibreOffice Calc. Includes the window (Sheetsplicer)\n\
and the command-line program (sheetsplicer-cli).")
# What the two programs load (ldd), by the packages that hold it (dpkg -S),
# and the office they drive.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libreoffice-calc-nogui | libreoffice-calc, \
libc6, libstdc++6, libgcc-s1, \
libqt5core5a (>= 5.15), libqt5gui5 (>= 5.15), libqt5widgets5 (>= 5.15), \
libuno-sal3, libuno-cppu3, libuno-cppuhelpergcc3-3, \
libzip4, libgsf-1-114, libxml2, libglib2.0-0, libssl3, zlib1g")

include(CPack)
