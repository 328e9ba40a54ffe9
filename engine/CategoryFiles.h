#pragma once

#include "JobState.h"
#include "Outcome.h"

// One workbook per category, each holding only the summary sheet with the
// header, that category's records and what stands below them.

// What every file needs to know before the first is made: the cells whose
// formulas read beyond what the file keeps (they keep their values), and
// each category's file name. Stops when a row with content has no category:
// it would go to no file.
Outcome planCategoryFiles(JobState &job);

// Writes the files into a hidden folder in the save folder, a freshly
// opened source for each, and gives the folder the source's name once all
// are saved. The workbook opened by the scan serves the first category.
Outcome writeCategoryFiles(JobState &job);
