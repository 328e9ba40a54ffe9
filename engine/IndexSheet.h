#pragma once

#include "JobState.h"
#include "Outcome.h"

#include <functional>

class AutomationObject;

// The index sheet "目录" in first place, and what the loop over its entries
// needs: the workbook's sheets and the index's hyperlinks.
struct IndexSheet
{
    AutomationObject *sheets = nullptr;
    AutomationObject *sheet = nullptr;
    AutomationObject *links = nullptr;
};

// The job's linking step for the sheet at a position of the index loop:
// 2 is the summary sheet (`category` null), then the category sheets. The
// user's other sheets are listed in the index but never linked.
using LinkSheetStep = std::function<Outcome(int position, AutomationObject *sheet, const Category *category)>;

QString indexSheetName();

// Adds a sheet in first place, names it and gets its hyperlinks.
IndexSheet addIndexSheet(JobState &job);

// For every sheet from the second on: its name in column A of the index,
// a hyperlink to its cell A1, then (when editable ranges are on) the job's
// linking step for the summary and for each sheet the job made.
Outcome fillIndexSheet(JobState &job, const IndexSheet &index, const LinkSheetStep &linkSheet);

// The hyperlink target of a sheet: its name as a reference writes it, "!A1".
QString indexSubAddress(const QString &sheetName);
