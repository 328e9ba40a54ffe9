#include "SamePlace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QString comparable(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toCaseFolded();
#else
    return path;
#endif
}

// The path of a file that may not exist yet, through its folder's real path.
QString placeOf(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return comparable(folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : folder + QLatin1Char('/') + info.fileName());
}

} // namespace

bool isSamePlace(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    struct stat first;
    struct stat second;
    if (::stat(QFile::encodeName(a).constData(), &first) == 0 && ::stat(QFile::encodeName(b).constData(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
#else
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    const QString canonicalB = QFileInfo(b).canonicalFilePath();
    if (!canonicalA.isEmpty() && !canonicalB.isEmpty())
        return comparable(canonicalA) == comparable(canonicalB);
#endif
    return placeOf(a) == placeOf(b);
}
