#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The names of the workbooks the files job writes, one per category: the
// category's sheet name with what file systems refuse taken out (< > " |,
// control characters, trailing dots and blanks, device names such as CON),
// unique without regard to case with " (2)", " (3)", ...
QStringList categoryFileNames(const QStringList &sheetNames);

// The name of the folder the files go in: `base`, or `base (2)`, `base (3)`
// ... the first that `exists` does not know.
QString freeFolderName(const QString &base, const std::function<bool(const QString &)> &exists);
