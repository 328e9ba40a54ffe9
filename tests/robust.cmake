# Robustness against a real office: faults in the middle of a job, a long row
# of jobs in one process, and a fixed sample of real-world workbooks.
add_library(robust_test_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/support/robust_JobDriver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/robust_JobDriver.h
  ${CMAKE_CURRENT_LIST_DIR}/support/robust_Processes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/robust_Processes.h
  ${CMAKE_CURRENT_LIST_DIR}/support/robust_Workbooks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/robust_Workbooks.h)
target_compile_definitions(robust_test_support PRIVATE
  SHEETSPLICER_ROBUST_SUPPORT="${CMAKE_CURRENT_LIST_DIR}/support")
target_include_directories(robust_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR}/support)
target_link_libraries(robust_test_support PUBLIC engine Qt5::Core)

sheetsplicer_add_test(robust_faults_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/robust_faults_test.cpp
  LIBS robust_test_support lo_test_support engine automation_platform
  TIMEOUT 1800 LABELS office)

# 30 jobs by default; SHEETSPLICER_ROBUST_JOBS=100 for the full hundred (about 5 minutes).
sheetsplicer_add_test(robust_repeat_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/robust_repeat_test.cpp
  LIBS robust_test_support lo_test_support engine automation_platform
  TIMEOUT 1800 LABELS office)

if(TARGET sheetsplicer-cli)
  sheetsplicer_add_test(robust_corpus_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/robust_corpus_test.cpp
    LIBS robust_test_support
    TIMEOUT 3600 LABELS office)
  add_dependencies(robust_corpus_test sheetsplicer-cli)
  target_compile_definitions(robust_corpus_test PRIVATE
    SHEETSPLICER_CLI="$<TARGET_FILE:sheetsplicer-cli>"
    SHEETSPLICER_CORPUS="${CMAKE_SOURCE_DIR}/../shared/corpus/realworld")
endif()
