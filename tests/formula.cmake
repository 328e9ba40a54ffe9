# Excel formula text: tokens, A1/R1C1 conversion, typed range texts.
sheetsplicer_add_test(formula_tokens_test
  SOURCES formula_tokens_test.cpp
  LIBS formula_text
  LABELS formula)

sheetsplicer_add_test(formula_notation_test
  SOURCES formula_notation_test.cpp
  LIBS formula_text
  LABELS formula)

sheetsplicer_add_test(formula_areas_test
  SOURCES formula_areas_test.cpp
  LIBS formula_text
  LABELS formula)
