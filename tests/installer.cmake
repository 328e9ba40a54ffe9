# The Windows setup program, installed and uninstalled under Wine (cross
# builds only: the check drives Wine from the build machine).
if(TARGET installer AND CMAKE_CROSSCOMPILING AND SHEETSPLICER_WINE)
  add_test(NAME installer_test
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/installer_test.py
            ${SHEETSPLICER_SETUP} ${SHEETSPLICER_WINE})
  set_tests_properties(installer_test PROPERTIES LABELS package TIMEOUT 600)
endif()
