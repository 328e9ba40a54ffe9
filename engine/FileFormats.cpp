#include "FileFormats.h"

#include "MemberCatalogue.h"

#include <QDir>

FileFormat outputFormat(const QString &sourcePath)
{
    const QString lower = sourcePath.toLower();
    if (lower.endsWith(QLatin1String(".xlsx")))
        return {QStringLiteral(".xlsx"), Xl::openXmlWorkbook};
    if (lower.endsWith(QLatin1String(".xls")))
        return {QStringLiteral(".xls"), Xl::excel8};
    if (lower.endsWith(QLatin1String(".xlsm")))
        return {QStringLiteral(".xlsm"), Xl::openXmlWorkbookMacroEnabled};
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
