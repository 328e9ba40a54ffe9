# Windows: each program carries the icon and a version resource, and, where
# NSIS's makensis is found, the build also makes the setup program
# Sheetsplicer-setup-<version>.exe beside them.

enable_language(RC)
set(SHEETSPLICER_WINDOWS_PACKAGING ${CMAKE_CURRENT_LIST_DIR})

function(sheetsplicer_windows_resource target description)
  set(SHEETSPLICER_RC_ICON ${PROJECT_SOURCE_DIR}/resources/images/wqz.ico)
  set(SHEETSPLICER_RC_NAME ${target})
  set(SHEETSPLICER_RC_DESCRIPTION ${description})
  set(rc ${CMAKE_BINARY_DIR}/packaging/${target}.rc)
  configure_file(${SHEETSPLICER_WINDOWS_PACKAGING}/Version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

sheetsplicer_windows_resource(Sheetsplicer "Sheetsplicer")
if(TARGET sheetsplicer-cli)
  sheetsplicer_windows_resource(sheetsplicer-cli "Sheetsplicer command line")
endif()

find_program(SHEETSPLICER_MAKENSIS makensis)
if(SHEETSPLICER_MAKENSIS AND TARGET sheetsplicer-cli)
  set(SHEETSPLICER_SETUP ${CMAKE_BINARY_DIR}/Sheetsplicer-setup-${PROJECT_VERSION}.exe)
  set(script ${CMAKE_CURRENT_LIST_DIR}/installer.nsi)
  add_custom_command(OUTPUT ${SHEETSPLICER_SETUP}
    COMMAND ${SHEETSPLICER_MAKENSIS} -V2
            -DVERSION=${PROJECT_VERSION}
            -DAPP_EXE=$<TARGET_FILE:Sheetsplicer>
            -DCLI_EXE=$<TARGET_FILE:sheetsplicer-cli>
            -DICON=${PROJECT_SOURCE_DIR}/resources/images/wqz.ico
            -DOUTFILE=${SHEETSPLICER_SETUP}
            ${script}
    DEPENDS Sheetsplicer sheetsplicer-cli ${script}
    COMMENT "Setup program ${SHEETSPLICER_SETUP}"
    VERBATIM)
  add_custom_target(installer ALL DEPENDS ${SHEETSPLICER_SETUP})
endif()
