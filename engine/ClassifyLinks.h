#pragma once

#include "JobState.h"
#include "Outcome.h"

class AutomationObject;

// ClassifyShow: data is entered on the summary sheet and every category
// sheet follows it through lookup formulas into the summary sheet.

// Before the index loop, with editable ranges on: the block of the editable
// range.
Outcome readSummaryGeometry(JobState &job);

// The linking step at one position of the index loop.
Outcome linkClassifySheet(JobState &job, int position, AutomationObject *sheet, const Category *category);

// A category sheet: lookup formulas over the editable range's columns down
// to its last record, locked and hidden, then the sheet protected.
Outcome writeCategoryFormulas(JobState &job, AutomationObject *sheet, const Category &category);
