#pragma once

#include "ResultMark.h"

#include <QString>

#include <optional>

// The mark of the job that made the workbook at `path`, read from the file
// alone, so that the window can say before a job that it will update an
// earlier result, and with which settings. None for a workbook without one,
// an encrypted one, or one that cannot be read.
std::optional<ResultMark> markInFile(const QString &path);
