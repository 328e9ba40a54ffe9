#include "XlsFinishing.h"

#include "BiffSheetViews.h"
#include "CompoundFile.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(xlsViewLog, "sheetsplicer.xls", QtWarningMsg)

namespace {

// The office rewrites the macro project with every line commented out; the
// source's goes into the result as it was.
const char kMacroStorage[] = "_VBA_PROJECT_CUR";

} // namespace

void finishXlsResult(const QString &sourcePath, const QString &resultPath, const QList<ooxml::SheetOrigin> &origins,
                     const QStringList &resultSheets)
{
    QList<BiffSheetViews::Assignment> assignments;
    for (const QString &name : resultSheets) {
        BiffSheetViews::Assignment assignment{name, QString(), false};
        for (const ooxml::SheetOrigin &origin : origins)
            if (origin.sheetName == name)
                assignment = {name, origin.sourceSheetName, origin.isCopy()};
        assignments << assignment;
    }
    QString error;
    QByteArray source;
    QByteArray result;
    QByteArray edited;
    QList<QPair<QString, BiffSheetViews::View>> views;
    const bool ok = CompoundFile::readWorkbookStream(sourcePath, &source, &error)
                    && BiffSheetViews::readViews(source, &views, &error)
                    && CompoundFile::readWorkbookStream(resultPath, &result, &error)
                    && BiffSheetViews::applyViews(result, views, assignments, &edited, &error)
                    && CompoundFile::replaceWorkbookStream(resultPath, edited, &error, sourcePath, kMacroStorage);
    if (!ok)
        qCInfo(xlsViewLog) << "sheet views of" << resultPath << "left as saved:" << error;
}

void keepXlsMacroProject(const QString &sourcePath, const QString &resultPath)
{
    if (!CompoundFile::hasStorage(sourcePath, kMacroStorage))
        return;
    QString error;
    QByteArray stream;
    if (!CompoundFile::readWorkbookStream(resultPath, &stream, &error)
        || !CompoundFile::replaceWorkbookStream(resultPath, stream, &error, sourcePath, kMacroStorage))
        qCInfo(xlsViewLog) << "macro project of" << resultPath << "left as saved:" << error;
}
