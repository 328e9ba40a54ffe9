#include "SourceCarryOver.h"

#include "BuiltinFormats.h"
#include "CommentCarryOver.h"
#include "DefaultFont.h"
#include "MacroProject.h"
#include "PackageParts.h"
#include "TableStyles.h"
#include "ViewEdits.h"
#include "WorkbookEdits.h"
#include "ZipPackage.h"

#include <QLoggingCategory>
#include <QSet>

Q_LOGGING_CATEGORY(carryOverLog, "sheetsplicer.package", QtWarningMsg)

namespace ooxml {

namespace {

// What the job needs of one sheet of the source, read once however many
// sheets of the result came from it.
struct SourceSheet {
    bool hasPane = false;
    SheetPane pane;
    QByteArray comments; // the comments part; empty when it has none
};

struct Source {
    ZipPackage package;
    QString workbookPart;
    QByteArray workbookXml;
    QHash<QString, SourceSheet> sheets;

    bool open(const QString &path)
    {
        QString why;
        if (package.open(path, &why) && findWorkbookPart(package, &workbookPart, &why)
            && package.read(workbookPart, &workbookXml, &why))
            return true;
        qCInfo(carryOverLog) << "source package not read:" << path << why;
        return false;
    }

    const SourceSheet &sheet(const QString &name)
    {
        const auto known = sheets.constFind(name);
        if (known != sheets.cend())
            return known.value();
        SourceSheet sheet;
        QString part;
        QByteArray xml;
        if (findWorksheetPart(package, workbookPart, workbookXml, name, &part, nullptr)
            && package.read(part, &xml, nullptr)) {
            sheet.hasPane = readPane(xml, &sheet.pane);
            QString commentsPart;
            if (findRelatedPart(package, part, QStringLiteral("/comments"), &commentsPart))
                package.read(commentsPart, &sheet.comments, nullptr);
        }
        return sheets.insert(name, sheet).value();
    }
};

bool carrySheet(Source &source, const SheetOrigin &origin, const ZipPackage &result, const QString &resultPart,
                QHash<QString, QByteArray> *replaced, QString *error)
{
    const SourceSheet &from = source.sheet(origin.sourceSheetName);
    if (from.hasPane) {
        QByteArray resultXml;
        if (!readEditedPart(result, *replaced, resultPart, &resultXml, error))
            return false;
        const QByteArray edited = withPane(resultXml, from.pane, origin.isCopy());
        if (edited != resultXml)
            replaced->insert(resultPart, edited);
    }

    QString resultComments;
    if (from.comments.isEmpty() || !findRelatedPart(result, resultPart, QStringLiteral("/comments"), &resultComments))
        return true;
    QByteArray to;
    QByteArray edited;
    if (!readEditedPart(result, *replaced, resultComments, &to, error) || !carryComments(from.comments, to, &edited, error))
        return false;
    if (edited != to)
        replaced->insert(resultComments, edited);
    return true;
}

bool carryStyles(const Source &source, const ZipPackage &result, const QString &resultWorkbookPart,
                 QHash<QString, QByteArray> *replaced, QString *error)
{
    QString resultStyles;
    if (!findRelatedPart(result, resultWorkbookPart, QStringLiteral("/styles"), &resultStyles))
        return true;
    // A source without a styles part has Excel's built-in one.
    QString sourceStyles;
    QByteArray from;
    if (findRelatedPart(source.package, source.workbookPart, QStringLiteral("/styles"), &sourceStyles)
        && (!source.package.read(sourceStyles, &from, nullptr) || from.isEmpty()))
        return true;
    QByteArray to;
    QByteArray formats;
    QByteArray fonts;
    if (!readEditedPart(result, *replaced, resultStyles, &to, error)
        || !restoreBuiltinDateFormats(from, to, &formats, error) || !restoreDefaultFont(from, formats, &fonts, error))
        return false;
    if (fonts != to)
        replaced->insert(resultStyles, fonts);
    return true;
}

} // namespace

bool carryOverFromSource(const QString &sourcePath, const QList<SheetOrigin> &origins, const ZipPackage &result,
                         const QString &resultWorkbookPart, QHash<QString, QByteArray> *replaced, QString *error)
{
    Source source;
    if (!source.open(sourcePath))
        return true;
    QByteArray workbookXml;
    QList<SheetEntry> sheets;
    if (!readEditedPart(result, *replaced, resultWorkbookPart, &workbookXml, error)
        || !parseWorkbookSheets(workbookXml, &sheets, error))
        return false;

    QSet<int> copies;
    for (const SheetOrigin &origin : origins) {
        int position = -1;
        for (int i = 0; i < sheets.size() && position < 0; ++i)
            if (sheets.at(i).name == origin.sheetName)
                position = i;
        QString resultPart;
        if (position < 0 || !findWorksheetPart(result, resultWorkbookPart, workbookXml, origin.sheetName, &resultPart, nullptr))
            continue;
        if (origin.isCopy())
            copies << position;
        if (!carrySheet(source, origin, result, resultPart, replaced, error))
            return false;
    }
    const QByteArray names = withoutBrokenLocalNames(workbookXml, copies);
    if (names != workbookXml)
        replaced->insert(resultWorkbookPart, names);

    if (!carryStyles(source, result, resultWorkbookPart, replaced, error)
        || !carryTableStyles(source.package, source.workbookPart, result, resultWorkbookPart, replaced, error))
        return false;
    // A macro project that cannot be carried over would leave the user's
    // code commented out in the result: the result is refused instead.
    bool carried = false;
    if (!carryMacroProject(source.package, source.workbookPart, result, resultWorkbookPart, replaced, &carried, error))
        return false;
    // The office cannot run the project's functions, so cells that call them
    // hold errors until the application that can calculates them again.
    if (carried) {
        QByteArray workbook;
        if (!readEditedPart(result, *replaced, resultWorkbookPart, &workbook, error))
            return false;
        replaced->insert(resultWorkbookPart, withFullCalculationOnLoad(workbook));
    }
    return true;
}

} // namespace ooxml
