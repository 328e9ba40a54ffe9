# Tests of the desktop side: the settings file, the platform helpers and the
# main window (offscreen).

sheetsplicer_add_test(settings_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
  LIBS settings)

# The platform helpers: on Linux /proc, symbolic links and wildcards by hand;
# on Windows the system's own calls.
if(WIN32)
  sheetsplicer_add_test(app_windows_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_windows_test.cpp
    LIBS app_lib automation_core no_platform_backend)
else()
  sheetsplicer_add_test(app_platform_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_platform_test.cpp
    LIBS app_lib automation_core no_platform_backend)
endif()

# A job from the window against the recording backend: progress, result,
# cancel and close. Also on Windows, under Wine.
sheetsplicer_add_test(window_job_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_job_test.cpp
  LIBS app_lib engine settings engine_recording_backend automation_core no_platform_backend
  TIMEOUT 120)

# The window on Qt's offscreen platform (its sizes, fonts, Qt's own file
# dialogs and the tray are those of Linux) and with LibreOffice jobs.
if(NOT WIN32)
  sheetsplicer_add_test(window_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp
    LIBS app_lib engine settings automation_core no_platform_backend
    TIMEOUT 120)
  # Qt's zip writer makes a workbook that carries a mark.
  target_include_directories(window_test PRIVATE ${Qt5Core_PRIVATE_INCLUDE_DIRS} ${Qt5Gui_PRIVATE_INCLUDE_DIRS})

  sheetsplicer_add_test(window_actions_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_actions_test.cpp
    LIBS app_lib engine settings automation_core no_platform_backend
    TIMEOUT 120)

  sheetsplicer_add_test(window_form_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_form_test.cpp
    LIBS app_lib engine settings automation_core no_platform_backend
    TIMEOUT 120)

  # The window with real jobs: progress, cancel and close while a job runs.
  if(TARGET automation_platform)
    sheetsplicer_add_test(window_office_test
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_office_test.cpp
      LIBS app_lib engine settings automation_core automation_platform lo_test_support
      TIMEOUT 900 LABELS office)
    # A second start of the program during a job.
    target_compile_definitions(window_office_test PRIVATE SHEETSPLICER_APP_PATH="$<TARGET_FILE:Sheetsplicer>")
    add_dependencies(window_office_test Sheetsplicer)
  endif()
endif()
