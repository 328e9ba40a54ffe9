# End-to-end tests: sheetsplicer-cli against a real office, the saved files read back
# by independent readers (python3-openpyxl, python3-msoffcrypto-tool).
if(TARGET sheetsplicer-cli)
  set(E2E_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})

  add_library(e2e_test_support STATIC
    ${E2E_TESTS_DIR}/support/e2e_Cli.cpp
    ${E2E_TESTS_DIR}/support/e2e_Cli.h
    ${E2E_TESTS_DIR}/support/e2e_OfficeCase.cpp
    ${E2E_TESTS_DIR}/support/e2e_OfficeCase.h)
  target_include_directories(e2e_test_support PUBLIC ${E2E_TESTS_DIR}/support)
  target_link_libraries(e2e_test_support PUBLIC Qt5::Core Qt5::Test lo_test_support)
  target_compile_definitions(e2e_test_support PRIVATE
    SHEETSPLICER_CLI="$<TARGET_FILE:sheetsplicer-cli>"
    E2E_SUPPORT_DIR="${E2E_TESTS_DIR}/support")
  add_dependencies(e2e_test_support sheetsplicer-cli)

  # What the jobs make: sheets, index, split rows, formulas and protection.
  sheetsplicer_add_test(e2e_jobs_test
    SOURCES ${E2E_TESTS_DIR}/e2e_jobs_test.cpp
    LIBS e2e_test_support lo_test_support
    TIMEOUT 900 LABELS office)

  # Ordinary table shapes: a table off A1, spacer rows, blank categories, other
  # sheets, category values that need a new sheet name, dates, refusals.
  sheetsplicer_add_test(e2e_shapes_test
    SOURCES ${E2E_TESTS_DIR}/e2e_shapes_test.cpp
    LIBS e2e_test_support lo_test_support engine
    TIMEOUT 900 LABELS office)

  # What the office's round trip would lose: fonts, panes, date formats,
  # comment authors, totals over several sheets, macro projects.
  sheetsplicer_add_test(e2e_roundtrip_test
    SOURCES ${E2E_TESTS_DIR}/e2e_roundtrip_test.cpp
    LIBS e2e_test_support lo_test_support
    TIMEOUT 900 LABELS office)
  target_compile_definitions(e2e_roundtrip_test PRIVATE
    SHEETSPLICER_CORPUS="${CMAKE_SOURCE_DIR}/../shared/corpus/realworld")

  # Files in and out: formats, passwords, refused inputs and failed saves.
  sheetsplicer_add_test(e2e_files_test
    SOURCES ${E2E_TESTS_DIR}/e2e_files_test.cpp
    LIBS e2e_test_support lo_test_support cli_lib automation_platform
    TIMEOUT 900 LABELS office)
  target_compile_definitions(e2e_files_test PRIVATE SHEETSPLICER_CLI_PATH="$<TARGET_FILE:sheetsplicer-cli>")
endif()

if(TARGET sheetsplicer-cli)
  # The bulk paths of the backend save the same as cell-by-cell writing.
  sheetsplicer_add_test(e2e_buffering_test
    SOURCES ${E2E_TESTS_DIR}/e2e_buffering_test.cpp
    LIBS e2e_test_support lo_test_support
    TIMEOUT 900 LABELS office)
  target_compile_definitions(e2e_buffering_test PRIVATE
    SHEETSPLICER_CORPUS="${CMAKE_SOURCE_DIR}/../shared/corpus/realworld")

  # Summaries as Excel makes them: tables, filters, comments; .xls results
  # read by an office of its own.
  # Results given to a job again: the mark of the job that made them, and
  # the update of a classify result after a week's edits.
  foreach(test e2e_excel_test e2e_results_test)
    sheetsplicer_add_test(${test}
      SOURCES ${E2E_TESTS_DIR}/${test}.cpp
      LIBS e2e_test_support lo_test_support
      TIMEOUT 900 LABELS office)
  endforeach()
  # One workbook per category: every record in its file, nothing of another's.
  sheetsplicer_add_test(e2e_category_files_test
    SOURCES ${E2E_TESTS_DIR}/e2e_category_files_test.cpp
    LIBS e2e_test_support lo_test_support automation_platform
    TIMEOUT 900 LABELS office)
  target_compile_definitions(e2e_category_files_test PRIVATE SHEETSPLICER_CLI_PATH="$<TARGET_FILE:sheetsplicer-cli>")
  # What the window reads of a result before a job.
  target_link_libraries(e2e_results_test PRIVATE app_lib)
endif()
