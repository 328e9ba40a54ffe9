#pragma once

#include "JobState.h"
#include "Outcome.h"

// The first stretch of the jobs: check and open the source workbook, see
// that it can be split, and measure the summary table on its first sheet.

// Made before the office starts: the job needs no office to refuse a
// source that is missing or no workbook.
Outcome checkSourceFile(JobState &job);
Outcome openWorkbook(JobState &job);
// The source opened again, as openWorkbook opens it, without telling it.
Outcome openSource(JobState &job);
// A protected summary or workbook structure cannot take the new sheets.
Outcome checkProtection(JobState &job);
// The names of the source's sheets.
Outcome readSourceSheets(JobState &job);
// The index's name must be free for the index the sheet split makes.
Outcome checkIndexName(JobState &job);
Outcome measureTable(JobState &job);
Outcome findLastDataRow(JobState &job);

// First data cell of the table: A2.
QString dataStartCell(int usedFirstColumn, int firstDataRow);

// The category column over the data rows: C2:C57.
QString categoryColumnRange(int classifyColumn, int firstDataRow, int lastDataRow);

// A block's A1 text: C2:F57, or C2 for a single cell.
QString blockAddress(int top, int left, int bottom, int right);
