#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The workbook stream of an .xls file (a compound file), read whole or put
// back with every other stream and storage of the file copied as it is.
namespace CompoundFile {

// True when the file starts as a compound file does.
bool isCompoundFile(const QString &path);

// The root's stream of that name, whole.
bool readStream(const QString &path, const char *name, QByteArray *out, QString *error);

// The "Workbook" stream (BIFF8), else the "Book" stream (BIFF5).
bool readWorkbookStream(const QString &path, QByteArray *out, QString *error);

// The start of that stream, read in growing blocks until `enough` says the
// bytes so far are enough, or the stream ends.
bool readWorkbookStreamUntil(const QString &path, QByteArray *out, QString *error,
                             const std::function<bool(const QByteArray &)> &enough);

// The file at `path` with its workbook stream replaced by `stream` and, when
// `storageName` is given and both files have it, that storage taken whole from
// the file at `storageFrom`. The new file is written beside it and renamed
// over it only when complete.
bool replaceWorkbookStream(const QString &path, const QByteArray &stream, QString *error,
                           const QString &storageFrom = QString(), const char *storageName = nullptr);

// True when the file's root holds a storage of that name.
bool hasStorage(const QString &path, const char *storageName);

} // namespace CompoundFile
