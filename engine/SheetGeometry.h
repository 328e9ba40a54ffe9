#pragma once

#include "Formulas.h"

class AutomationObject;

// Small reads shared by the steps. A missing object reads as 0.

// "Count" of the range's "Rows" or "Columns".
int countOf(AutomationObject *range, const char *collection);

// Number of rows of the sheet's used range (not the number of its last row).
int usedRowCount(AutomationObject *sheet);

// Top-left cell and size of a range: "Row", "Column", then the "Count" of
// its "Rows" and the "Count" of its "Columns".
BlockGeometry readBlockGeometry(AutomationObject *range);

// The same values, with both collections queried before their counts are
// read, as the summary formulas do.
BlockGeometry readBlockGeometryCollectionsFirst(AutomationObject *range);
