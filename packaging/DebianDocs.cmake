# What Debian wants beside the programs: the copyright file and the changelog
# in /usr/share/doc/sheetsplicer, and a manual page per program in /usr/bin.
# The changelog is made from CHANGELOG.md, the one place the history is
# written. Everything is compressed with gzip -9n (no name, no time stamp),
# so the same sources give the same package.

include(GNUInstallDirs)
set(SHEETSPLICER_DOC_OUT ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${SHEETSPLICER_DOC_OUT})
set(SHEETSPLICER_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})

# gzip -9n of one file, when it changes.
function(sheetsplicer_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${source} ${target}
    DEPENDS ${source}
    VERBATIM)
endfunction()

# The package's version is both its upstream and its Debian version, so
# Debian counts it native and looks for changelog.gz, not changelog.Debian.gz.
add_custom_command(OUTPUT ${SHEETSPLICER_DOC_OUT}/changelog
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/debian_changelog.py
          ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CPACK_PACKAGE_NAME} ${CPACK_PACKAGE_VERSION}
          ${CPACK_PACKAGE_CONTACT} ${SHEETSPLICER_DOC_OUT}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CMAKE_CURRENT_LIST_DIR}/debian_changelog.py
  VERBATIM)
sheetsplicer_gzip(${SHEETSPLICER_DOC_OUT}/changelog ${SHEETSPLICER_DOC_OUT}/changelog.gz)

set(SHEETSPLICER_MAN_PAGES sheetsplicer-cli.1 Sheetsplicer.1)
set(SHEETSPLICER_MAN_GZ)
foreach(page ${SHEETSPLICER_MAN_PAGES})
  sheetsplicer_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page} ${SHEETSPLICER_DOC_OUT}/${page}.gz)
  list(APPEND SHEETSPLICER_MAN_GZ ${SHEETSPLICER_DOC_OUT}/${page}.gz)
endforeach()

add_custom_target(debian_docs ALL DEPENDS ${SHEETSPLICER_DOC_OUT}/changelog.gz ${SHEETSPLICER_MAN_GZ})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${SHEETSPLICER_DOC_OUT}/changelog.gz
        DESTINATION ${SHEETSPLICER_DOC_DIR})
install(FILES ${SHEETSPLICER_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
