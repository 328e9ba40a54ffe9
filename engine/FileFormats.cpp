#include "FileFormats.h"

#include <QDir>

FileFormat outputFormat(const QString &sourcePath)
{
    const QString lower = sourcePath.toLower();
    if (lower.endsWith(QLatin1String(".xlsx")))
        return {QStringLiteral(".xlsx"), 51};
    if (lower.endsWith(QLatin1String(".xls")))
        return {QStringLiteral(".xls"), 56};
    if (lower.endsWith(QLatin1String(".xlsm")))
        return {QStringLiteral(".xlsm"), 52};
    return {};
}

QString completeBaseName(const QString &sourcePath)
{
    const int slash = qMax(sourcePath.lastIndexOf(QLatin1Char('/')), sourcePath.lastIndexOf(QLatin1Char('\\')));
    const QString fileName = sourcePath.mid(slash + 1);
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString outputPath(const QString &savePath, const QString &sourcePath)
{
    return QDir::toNativeSeparators(savePath + completeBaseName(sourcePath) + outputFormat(sourcePath).ending);
}
