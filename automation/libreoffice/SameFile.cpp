#include "SameFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// The path of a file that may not exist yet, through its folder's real path.
QString placeOf(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

bool isSameFile(const QString &a, const QString &b)
{
    struct stat first;
    struct stat second;
    const bool firstExists = ::stat(QFile::encodeName(a).constData(), &first) == 0;
    const bool secondExists = ::stat(QFile::encodeName(b).constData(), &second) == 0;
    if (firstExists && secondExists)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return placeOf(a) == placeOf(b);
}
