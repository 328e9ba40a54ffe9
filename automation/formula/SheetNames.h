#pragma once

#include <QString>
#include <QStringList>

// Excel's limit on the length of a sheet name.
constexpr int maxSheetNameLength = 31;

// The characters a sheet name may not hold; they are dropped from a
// category value to make its sheet name.
QString forbiddenSheetNameCharacters();

// The value with every forbidden character removed, nothing else changed:
// what a formula can derive from the value with SUBSTITUTE.
QString withoutForbiddenCharacters(const QString &value);

// The sheet name of a category value: forbidden characters (and control
// characters) removed, apostrophes trimmed at both ends, cut to 31
// characters. Empty when nothing is left.
QString sheetName(const QString &categoryValue);

// Names compare as the spreadsheet compares them: without regard to case.
QString sheetNameKey(const QString &name);

// `name`, or `name` with " (2)", " (3)", ... when a name of `taken` (keys of
// sheetNameKey) already has it; the base is shortened so that the whole
// stays within 31 characters.
QString uniqueSheetName(const QString &name, const QStringList &taken);

// The name a copy of a sheet gets: "Summary (2)", "Summary (3)", ... the
// first unlike every name of `existing`.
QString copiedSheetName(const QString &source, const QStringList &existing);

// Whether a sheet may be renamed to `name`: 1 to 31 characters, no forbidden
// character, no apostrophe at either end, and unlike every other sheet's
// name when case is ignored.
bool isAcceptableSheetName(const QString &name, const QStringList &otherNames);

// Whether a reference must put the sheet name in apostrophes: anything but
// letters of any script, digits, underscores and periods; a name that begins
// with a digit or a period; or a name that reads as a cell reference (AB12,
// R1C1, RC).
bool needsQuoting(const QString &sheetName);

// The sheet name as a reference writes it: bare when it needs no quotes,
// otherwise in apostrophes with every apostrophe inside doubled.
QString quotedSheetName(const QString &sheetName);
