# Finishing saved workbook packages.
sheetsplicer_add_test(ooxml_parts_test
  SOURCES ooxml_parts_test.cpp support/ooxml_python.cpp
  LIBS ooxml_package
  TIMEOUT 120)

sheetsplicer_add_test(ooxml_package_test
  SOURCES ooxml_package_test.cpp support/ooxml_python.cpp support/ooxml_workbooks.cpp
  LIBS ooxml_package
  TIMEOUT 600)

sheetsplicer_add_test(ooxml_carryover_test
  SOURCES ooxml_carryover_test.cpp
  LIBS ooxml_package
  TIMEOUT 60)
