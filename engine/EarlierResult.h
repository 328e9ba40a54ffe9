#pragma once

#include "JobState.h"
#include "Outcome.h"
#include "ResultMark.h"

// The mark a result carries of the job that made it (see ResultMark).

// A workbook the other job made is refused, with a text naming that job: its
// sheets hold the other side's formulas, and splitting it again would link
// the two sides the wrong way round.
//
// A result given to the job that made it is updated: the job takes the
// settings it was made with (settings the caller fixed must agree), lifts
// its protections with the passwords of this job, brings the summary up to
// date (a ClassifyShow summary holds every record already; an
// InsertHyperLinks summary takes what the category sheets hold, see
// pullCategorySheets), removes the index and the category sheets it made,
// and splits the summary afresh. A missing or wrong password, or a
// sheet it made that is no longer there by its name, refuses the update.
Outcome takeEarlierResult(JobState &job, ResultMark::Job thisJob);

// One workbook per category is made from a summary, not from a result of
// the sheet split, whose first sheet is its index: a result is refused with
// a text naming the job that made it.
Outcome refuseEarlierResult(JobState &job);

// What an update changes: records added, moved and gone, categories added
// and removed (see updateReport); noted once the summary is scanned, while
// its values are read without calculating any lookup, and told before the
// job's success text.
Outcome noteUpdate(JobState &job);
void reportUpdate(JobState &job);

// The workbook gets the mark of this job, in place of any it had.
void markResult(JobState &job, ResultMark::Job thisJob);
