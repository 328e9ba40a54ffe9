#pragma once

#include "JobState.h"
#include "Outcome.h"

// One filtered copy of the summary sheet per category, made in the order of
// the categories; each copy goes in after the summary sheet, so the newest
// stands right behind it.
Outcome makeCategorySheets(JobState &job);

// One category's sheet: copy the summary sheet, name the copy, filter it to
// the other categories, delete their rows, remove the filter, and put the
// summary sheet back in first place. Stops when the copy does not come out
// holding exactly the category's records.
Outcome makeCategorySheet(JobState &job, const Category &category);
