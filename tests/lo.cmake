# Tests of the LibreOffice backend against a real office.
add_library(lo_test_support STATIC support/lo_Fixtures.cpp)
target_link_libraries(lo_test_support PUBLIC Qt5::Core)
target_compile_definitions(lo_test_support PRIVATE SHEETSPLICER_TEST_SUPPORT="${CMAKE_CURRENT_SOURCE_DIR}/support")
target_include_directories(lo_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)

sheetsplicer_add_test(lo_backend_test
  SOURCES lo_backend_test.cpp
  LIBS automation_platform lo_test_support
  TIMEOUT 600 LABELS office)

sheetsplicer_add_test(lo_session_test
  SOURCES lo_session_test.cpp
  LIBS engine automation_platform lo_test_support
  TIMEOUT 600 LABELS office)

sheetsplicer_add_test(lo_sheet_order_test
  SOURCES lo_sheet_order_test.cpp
  LIBS automation_libreoffice
  LABELS lo)

sheetsplicer_add_test(lo_sheet_rules_test
  SOURCES lo_sheet_rules_test.cpp
  LIBS automation_libreoffice
  LABELS lo)

sheetsplicer_add_test(lo_known_results_test
  SOURCES lo_known_results_test.cpp
  LIBS automation_libreoffice
  LABELS lo)

sheetsplicer_add_test(lo_row_grouping_test
  SOURCES lo_row_grouping_test.cpp
  LIBS automation_libreoffice
  LABELS lo)

# Reading a source file's structure protection (no office, no UNO); compound
# files are written with libgsf.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LO_TEST_GSF REQUIRED IMPORTED_TARGET libgsf-1)
sheetsplicer_add_test(lo_source_lock_test
  SOURCES lo_source_lock_test.cpp
  LIBS xls_file lo_test_support PkgConfig::LO_TEST_GSF
  LABELS lo)
target_compile_definitions(lo_source_lock_test PRIVATE
  SHEETSPLICER_CORPUS="${CMAKE_SOURCE_DIR}/../shared/corpus/realworld")
