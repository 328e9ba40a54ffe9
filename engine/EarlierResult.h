#pragma once

#include "JobState.h"
#include "Outcome.h"
#include "ResultMark.h"

// The mark a result carries of the job that made it (see ResultMark).

// A workbook the other job made is refused, with a text naming that job: its
// sheets hold the other side's formulas, and splitting it again would link
// the two sides the wrong way round.
Outcome checkEarlierResult(JobState &job, ResultMark::Job thisJob);

// The workbook gets the mark of this job, in place of any it had.
void markResult(JobState &job, ResultMark::Job thisJob);
