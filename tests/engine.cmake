# Engine tests: pure functions alone, and the jobs against a recording backend.
set(ENGINE_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(engine_recording_backend STATIC
  ${ENGINE_TESTS_DIR}/support/engine_RecordingBackend.cpp
  ${ENGINE_TESTS_DIR}/support/engine_RecordingBackend.h
  ${ENGINE_TESTS_DIR}/support/engine_RecordingNode.h
  ${ENGINE_TESTS_DIR}/support/engine_RecordingRange.cpp
  ${ENGINE_TESTS_DIR}/support/engine_RecordingSheet.cpp)
target_include_directories(engine_recording_backend PUBLIC ${ENGINE_TESTS_DIR}/support)
target_link_libraries(engine_recording_backend PUBLIC automation_core Qt5::Core)

sheetsplicer_add_test(engine_formulas_test
  SOURCES ${ENGINE_TESTS_DIR}/engine_formulas_test.cpp
  LIBS engine automation_core no_platform_backend
  LABELS engine)

sheetsplicer_add_test(engine_paths_test
  SOURCES ${ENGINE_TESTS_DIR}/engine_paths_test.cpp
  LIBS engine automation_core no_platform_backend
  LABELS engine)

sheetsplicer_add_test(engine_jobs_test
  SOURCES ${ENGINE_TESTS_DIR}/engine_jobs_test.cpp
  LIBS engine engine_recording_backend automation_core no_platform_backend
  LABELS engine)

sheetsplicer_add_test(engine_failures_test
  SOURCES ${ENGINE_TESTS_DIR}/engine_failures_test.cpp
  LIBS engine engine_recording_backend automation_core no_platform_backend
  LABELS engine)

sheetsplicer_add_test(cli_arguments_test
  SOURCES ${ENGINE_TESTS_DIR}/cli_arguments_test.cpp
  LIBS cli_lib engine engine_recording_backend automation_core no_platform_backend
  LABELS engine cli)
