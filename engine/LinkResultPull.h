#pragma once

#include "JobState.h"
#include "Outcome.h"
#include "ResultMark.h"

class AutomationObject;

// An earlier InsertHyperLinks result holds its records' data on the category
// sheets. Before they go, the summary takes what they hold now: each record
// the values of its editable columns and its category cell from the row of
// its key; records typed below a sheet's records join the summary after its
// last record, in sheet order, then row order, formatted as that record; a
// record whose key no sheet holds any more leaves the summary, while a row
// typed on the summary since (values, no lookups) stays. A key on two rows
// refuses the update. Notes each record's earlier sheet for the report.
Outcome pullCategorySheets(JobState &job, AutomationObject *summary, const QList<AutomationObject *> &categorySheets,
                           const ResultMark &mark);
