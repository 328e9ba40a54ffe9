#pragma once

#include "JobState.h"
#include "Outcome.h"

// After the index loop, in both jobs: the summary sheet becomes the active
// sheet, the workbook gets its structure and open passwords when asked for,
// is saved into the save folder in the source's format and closed. Stops
// with the save failure text when the application did not save, otherwise
// the job's success text is reported.
Outcome finishWorkbook(JobState &job, const QString &successText);

void selectSummarySheet(JobState &job);
void protectStructure(JobState &job);
void setOpenPassword(JobState &job);
// False when the application did not save the workbook.
bool saveWorkbook(JobState &job);
// Why a save failed, asked before the workbook is closed: the source file
// proved damaged, or else the save folder or the file in it is to blame.
QString saveFailedText(JobState &job);
void closeWorkbook(JobState &job);
