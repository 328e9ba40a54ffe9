#pragma once

#include <QString>

// The source workbook path with the platform's own separators.
QString nativeSourcePath(const QString &sourceWorkbookPath);

// Whether a path ends in .xls, .xlsx or .xlsm, in any case.
bool hasWorkbookEnding(const QString &path);

// Whether the path names an existing entry of the file system, a folder
// included. An empty path never exists.
bool pathExists(const QString &path);

// A workbook ending, no "~$" anywhere in the path (the office's lock files),
// and an existing entry.
bool isAcceptedSource(const QString &nativePath);

// The text a source is refused with before the office starts, or an empty
// text when the office may try it: one that is not accepted, cannot be read
// as a file, or whose first bytes are no workbook's (see SourceContent.h).
// A missing file and a file that is no workbook get texts naming them.
QString sourceRefusal(const QString &nativePath);
