#pragma once

#include <QByteArray>
#include <QString>

// The workbook stream of an .xls file (a compound file), read whole or put
// back with every other stream and storage of the file copied as it is.
namespace CompoundFile {

// The "Workbook" stream (BIFF8), else the "Book" stream (BIFF5).
bool readWorkbookStream(const QString &path, QByteArray *out, QString *error);

// The file at `path` with its workbook stream replaced by `stream`. The new
// file is written beside it and renamed over it only when complete.
bool replaceWorkbookStream(const QString &path, const QByteArray &stream, QString *error);

} // namespace CompoundFile
