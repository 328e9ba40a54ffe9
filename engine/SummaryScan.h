#pragma once

#include "JobState.h"
#include "Outcome.h"

#include <QStringList>

// The first stretch of both jobs: check and open the source workbook,
// measure the summary table on its first sheet and collect the categories.

Outcome checkSourceFile(JobState &job);
Outcome openWorkbook(JobState &job);
Outcome measureTable(JobState &job);
Outcome findLastDataRow(JobState &job);
Outcome readCategoryColumn(JobState &job);
// Cleans the list read from the column; refuses the job when it is empty.
Outcome cleanCategoryList(JobState &job);

// First data cell of the table: A2.
QString dataStartCell(int usedFirstColumn, int firstDataRow);

// The category column over the data rows: C2:C57.
QString categoryColumnRange(int classifyColumn, int firstDataRow, int lastDataRow);

// Distinct values in order of first appearance, the empty text dropped.
QStringList cleanCategoryNames(const QStringList &values);
