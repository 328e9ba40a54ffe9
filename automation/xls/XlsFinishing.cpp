#include "XlsFinishing.h"

#include "BiffRecords.h"

#include "BiffSheetViews.h"
#include "CompoundFile.h"
#include "PackageParts.h"
#include "ViewEdits.h"
#include "ZipPackage.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(xlsViewLog, "sheetsplicer.xls", QtWarningMsg)

namespace {

// The office rewrites the macro project with every line commented out; the
// source's goes into the result as it was.
const char kMacroStorage[] = "_VBA_PROJECT_CUR";

// Whether a source that is a package (an .xlsx under an .xls name) has a
// pane on any sheet; the office does not write those into an .xls.
bool packageHasPane(const QString &sourcePath)
{
    ooxml::ZipPackage package;
    QString workbookPart;
    QByteArray workbookXml;
    QList<ooxml::SheetEntry> sheets;
    if (!package.open(sourcePath, nullptr) || !ooxml::findWorkbookPart(package, &workbookPart, nullptr)
        || !package.read(workbookPart, &workbookXml, nullptr) || !ooxml::parseWorkbookSheets(workbookXml, &sheets, nullptr))
        return false;
    for (const ooxml::SheetEntry &sheet : sheets) {
        QString part;
        QByteArray xml;
        ooxml::SheetPane pane;
        if (ooxml::findWorksheetPart(package, workbookPart, workbookXml, sheet.name, &part, nullptr)
            && package.read(part, &xml, nullptr) && ooxml::readPane(xml, &pane)) {
            qCWarning(xlsViewLog) << "sheet" << sheet.name << "of" << sourcePath << "has a pane an .xls result would lose";
            return true;
        }
    }
    return false;
}

bool resultHasNoPane(const QString &resultPath)
{
    QString error;
    QByteArray result;
    QList<QPair<QString, BiffSheetViews::View>> views;
    if (!CompoundFile::readWorkbookStream(resultPath, &result, &error) || !BiffSheetViews::readViews(result, &views, &error)) {
        qCWarning(xlsViewLog) << "sheet views of" << resultPath << "could not be read:" << error;
        return false;
    }
    for (const auto &view : views) {
        if (view.second.frozen || !view.second.pane.isEmpty()) {
            qCWarning(xlsViewLog) << "sheet" << view.first << "of" << resultPath
                                  << "has a pane whose sheet in the source is not known";
            return false;
        }
    }
    return true;
}

// Whether the globals of a BIFF stream begin with an encryption record: an
// earlier .xls result with a locked structure is encrypted under the
// format's default password, and its records cannot be read.
bool encryptedStream(const QByteArray &stream)
{
    int at = 0;
    for (int records = 0; records < 8 && at + 4 <= stream.size(); ++records) {
        if (Biff::u16(stream, at) == Biff::kFilePass)
            return true;
        at += 4 + Biff::u16(stream, at + 2);
    }
    return false;
}

// Whether a stream starts with the BOF record of a BIFF older than BIFF8
// (Excel 5 and 95): a format whose views are not read, not a damaged file.
bool olderBiff(const QByteArray &stream)
{
    return stream.size() >= 8 && Biff::u16(stream, 0) == Biff::kBof && Biff::u16(stream, 4) < 0x0600;
}

} // namespace

bool finishXlsResult(const QString &sourcePath, const QString &resultPath, const QList<ooxml::SheetOrigin> &origins,
                     const QStringList &resultSheets, bool *sourceUnreadable)
{
    if (sourceUnreadable)
        *sourceUnreadable = false;
    // A source that is not a compound file (an Excel 4 sheet, an .xlsx under
    // an .xls name) has no BIFF8 views to give: the office's own views stand
    // only while neither side has a pane that could be lost or misplaced.
    if (!CompoundFile::isCompoundFile(sourcePath))
        return !packageHasPane(sourcePath) && resultHasNoPane(resultPath);
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
    // An encrypted source gives no views: the office's own stand only while
    // the result has no pane they could misplace.
    const bool read = CompoundFile::readWorkbookStream(sourcePath, &source, &error);
    if (read && encryptedStream(source)) {
        qCInfo(xlsViewLog) << "the views of" << sourcePath << "are encrypted: the office's own are kept";
        return resultHasNoPane(resultPath);
    }
    // A source whose structure cannot be read is damaged, however the
    // office got past it: the result is not kept, and the source is to blame.
    if (!read || !BiffSheetViews::readViews(source, &views, &error)) {
        qCWarning(xlsViewLog) << "sheet views of the source" << sourcePath << "could not be read:" << error;
        if (sourceUnreadable)
            *sourceUnreadable = !(read && olderBiff(source));
        return false;
    }
    const bool ok = CompoundFile::readWorkbookStream(resultPath, &result, &error)
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
