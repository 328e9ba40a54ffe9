#include "SourceCheck.h"

#include <QDir>
#include <QFileInfo>

QString nativeSourcePath(const QString &sourceWorkbookPath)
{
    return QDir::toNativeSeparators(sourceWorkbookPath);
}

bool hasWorkbookEnding(const QString &path)
{
    const QString lower = path.toLower();
    return lower.endsWith(QLatin1String(".xls")) || lower.endsWith(QLatin1String(".xlsx"))
        || lower.endsWith(QLatin1String(".xlsm"));
}

bool pathExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool isAcceptedSource(const QString &nativePath)
{
    return hasWorkbookEnding(nativePath) && !nativePath.contains(QLatin1String("~$"))
        && pathExists(nativePath);
}
