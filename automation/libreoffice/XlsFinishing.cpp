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

bool finishXlsResult(const QString &sourcePath, const QString &resultPath, const QList<ooxml::SheetOrigin> &origins,
                     const QStringList &resultSheets)
{
    // A source that is not a compound file (an .xlsx saved as .xls)
    // has no BIFF views to give; the office's from its own load stand.
    if (!CompoundFile::isCompoundFile(sourcePath))
        return true;
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
        qCWarning(xlsViewLog) << "sheet views of" << resultPath << "could not be set:" << error;
    return ok;
}

bool keepXlsMacroProject(const QString &sourcePath, const QString &resultPath)
{
    if (!CompoundFile::hasStorage(sourcePath, kMacroStorage))
        return true;
    QString error;
    QByteArray stream;
    const bool ok = CompoundFile::readWorkbookStream(resultPath, &stream, &error)
                    && CompoundFile::replaceWorkbookStream(resultPath, stream, &error, sourcePath, kMacroStorage);
    if (!ok)
        qCWarning(xlsViewLog) << "macro project of" << resultPath << "could not be carried over:" << error;
    return ok;
}
