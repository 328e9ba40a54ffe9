#pragma once

#include <QString>

// The source workbook path with the platform's own separators.
QString nativeSourcePath(const QString &sourceWorkbookPath);

// Whether a path ends in .xls, .xlsx or .xlsm, in any case.
bool hasWorkbookEnding(const QString &path);

// Whether the path names an existing entry of the file system, a folder
// included. An empty path never exists.
bool pathExists(const QString &path);

// The check made before a source is opened: a workbook ending, no "~$"
// anywhere in the path (the office's lock files), and an existing entry.
bool isAcceptedSource(const QString &nativePath);
