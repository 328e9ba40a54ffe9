#pragma once

#include "JobState.h"
#include "Outcome.h"

class AutomationObject;

// InsertHyperLinks: data is entered on the category sheets and the summary
// sheet follows them; each summary row looks in the sheet its category cell
// names.

// The linking step at one position of the index loop.
Outcome linkHyperLinksSheet(JobState &job, int position, AutomationObject *sheet);

// The summary sheet: lookup formulas over the editable range as typed,
// locked and hidden, then the sheet protected.
Outcome writeSummaryFormulas(JobState &job);

// A category sheet: its formulaRange opened for editing, then the sheet
// protected.
Outcome openCategoryForEditing(JobState &job, AutomationObject *sheet);
