#pragma once

#include "JobState.h"
#include "Outcome.h"

#include <QVector>

// One workbook per category, each holding only the summary sheet with the
// header, that category's records and what stands below them.

// What every file needs to know before the first is made: the cells whose
// formulas read beyond what the file keeps (they keep their values), and
// each category's file name. Stops when a row with content has no category:
// it would go to no file.
Outcome planCategoryFiles(JobState &job);

// Where each row of the summary, 1 to `lastRow`, stands in the category's
// file (rows[row - 1]): the header rows where they were, the category's
// records one after the other, the rows below them moved up; -1 for the
// rows of other categories and blank rows between the records, which the
// file does not hold.
QVector<int> rowsInCategoryFile(const JobState &job, const Category &category, int lastRow);

// Writes the files into a hidden folder in the save folder, a freshly
// opened source for each, and gives the folder the source's name once all
// are saved. The workbook opened by the scan serves the first category.
Outcome writeCategoryFiles(JobState &job);
