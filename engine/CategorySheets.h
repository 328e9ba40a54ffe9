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

// Leaves `sheet`, a copy of the summary sheet or the summary sheet itself,
// with the header, the category's records and what stands below them: the
// rows of every other category are filtered out and deleted, and the filter
// removed (with `keepButtons`, only its criteria). Stops with `failed` (or
// the text about a category formula) when the sheet does not come out
// holding exactly the category's records.
Outcome keepCategoryRows(JobState &job, AutomationObject *sheet, const Category &category, const Outcome &failed,
                         bool keepButtons = false);
