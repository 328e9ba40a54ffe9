#include "OutputTarget.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

QString outputPathFor(const QString &sourcePath, const QString &saveFolder)
{
    static const char *const endings[] = {".xlsx", ".xls", ".xlsm"};
    for (const char *ending : endings) {
        if (sourcePath.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return saveFolder + QLatin1Char('/') + QFileInfo(sourcePath).completeBaseName()
                + QLatin1String(ending);
    }
    return QString();
}

bool sameFile(const QString &first, const QString &second)
{
    const QFileInfo a(first);
    const QFileInfo b(second);
    if (!a.exists() || !b.exists())
        return false;
    if (a.canonicalFilePath() == b.canonicalFilePath())
        return true;
#ifdef Q_OS_UNIX
    struct stat infoA;
    struct stat infoB;
    if (stat(QFile::encodeName(first).constData(), &infoA) == 0
        && stat(QFile::encodeName(second).constData(), &infoB) == 0)
        return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
#endif
    return false;
}
