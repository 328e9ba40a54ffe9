#pragma once

#include "JobState.h"
#include "Outcome.h"

class AutomationObject;

// InsertHyperLinks: data is entered on the category sheets and the summary
// sheet follows them; each summary row looks in its category's sheet.

// How many rows below a category sheet's records stay open for new ones.
inline int newRecordRows() { return 200; }

// The linking step at one position of the index loop.
Outcome linkHyperLinksSheet(JobState &job, int position, AutomationObject *sheet, const Category *category);

// The summary sheet: lookup formulas over the editable range as typed, in
// the rows that hold a record with a category, locked and hidden, then the
// sheet protected.
Outcome writeSummaryFormulas(JobState &job);

// A category sheet: the editable range's columns down to its last record
// opened for editing, and every column of the table in the rows below what
// the sheet holds, where new records are typed; then the sheet protected.
Outcome openCategoryForEditing(JobState &job, AutomationObject *sheet, const Category &category);
