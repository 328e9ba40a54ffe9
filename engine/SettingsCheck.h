#pragma once

#include "Outcome.h"

#include <QString>

struct JobSettings;

// What a job refuses before the office starts: an editable range that names
// no block, or one that takes in the match or the category column (its
// lookups would look themselves up); an output folder that holds the source,
// whose result would replace it.
Outcome checkJobSettings(const JobSettings &settings);

// What the user should know before a sheet job with these settings starts,
// or an empty text: a sheet password without an editable range protects
// nothing, since the range is what turns the lookups and the protection on.
// `files`: the files job, which protects each file's sheet by the password
// alone.
QString jobSettingsWarning(const JobSettings &settings, bool files);

// An editable range the job would take with these settings' columns, for
// the text that asks for one.
QString editRangeExample(const JobSettings &settings);

// Whether a typed editable range (before normalizedEditRange) names a block
// of cells; the check the job applies before the office starts.
bool isEditRangeText(const QString &typed);

// Whether `savePath` is the folder the source lies in, however written
// (symlinks, "..", and on Windows letter case).
bool isSourceFolder(const QString &savePath, const QString &sourcePath);
