#pragma once

#include <QString>

// The nine characters a sheet name may not hold; they are dropped from a
// category value to make its sheet name.
QString forbiddenSheetNameCharacters();

// The sheet name of a category value: the value with every forbidden
// character removed, nothing else changed.
QString sheetName(const QString &categoryValue);

// Whether a reference must put the sheet name in apostrophes: anything but
// letters of any script, digits, underscores and periods; a name that begins
// with a digit or a period; or a name that reads as a cell reference (AB12,
// R1C1, RC).
bool needsQuoting(const QString &sheetName);

// The sheet name as a reference writes it: bare when it needs no quotes,
// otherwise in apostrophes with every apostrophe inside doubled.
QString quotedSheetName(const QString &sheetName);
