# The Debian package as a user gets it: built with cpack into a folder of its
# own, unpacked, its manual pages and documents checked, and lintian's verdict.
if(UNIX AND NOT APPLE AND TARGET sheetsplicer-cli)
  add_test(NAME package_test
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/package_test.py
            ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_CPACK_COMMAND})
  set_tests_properties(package_test PROPERTIES LABELS package TIMEOUT 120)
endif()
