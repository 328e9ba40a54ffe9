# Tests of the desktop side: the settings file, the platform helpers and the
# main window (offscreen).

sheetsplicer_add_test(settings_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
  LIBS settings)

# The Linux side of the helpers (/proc, symbolic links, wildcards by hand).
if(NOT WIN32)
  sheetsplicer_add_test(app_platform_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_platform_test.cpp
    LIBS app_lib automation_core no_platform_backend)
endif()

sheetsplicer_add_test(window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp
  LIBS app_lib engine settings automation_core no_platform_backend
  TIMEOUT 120)
