# Finishing saved workbook packages.
sheetsplicer_add_test(ooxml_parts_test
  SOURCES ooxml_parts_test.cpp support/ooxml_python.cpp
  LIBS ooxml_package
  TIMEOUT 120)
