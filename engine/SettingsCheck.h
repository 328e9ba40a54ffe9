#pragma once

#include "Outcome.h"

#include <QString>

struct JobSettings;

// What a job refuses before the office starts: an editable range that names
// no block, or one that takes in the match or the category column (its
// lookups would look themselves up); an output folder that holds the source,
// whose result would replace it.
Outcome checkJobSettings(const JobSettings &settings);

// Whether a typed editable range (before normalizedEditRange) names a block
// of cells; the check the job applies before the office starts.
bool isEditRangeText(const QString &typed);

// Whether `savePath` is the folder the source lies in, however written
// (symlinks, "..", and on Windows letter case).
bool isSourceFolder(const QString &savePath, const QString &sourcePath);
