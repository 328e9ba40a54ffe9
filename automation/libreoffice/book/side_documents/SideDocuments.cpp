#include "SideDocuments.h"

#include "Guarded.h"
#include "QuietDocument.h"
#include "OfficeSession.h"
#include "UnoProps.h"
#include "UnoText.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/frame/XLoadable.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/SheetLinkMode.hpp>
#include <com/sun/star/sheet/ValidationType.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XCalculatable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XConditionalFormats.hpp>
#include <com/sun/star/sheet/XUnnamedDatabaseRanges.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/sheet/XDataPilotTablesSupplier.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetLinkable.hpp>
#include <com/sun/star/sheet/XSpreadsheets2.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XProtectable.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>

#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>

#include <QUrl>

#include <algorithm>
#include <functional>

using namespace css;

namespace {

// A sheet moved between documents takes its page style along and replaces
// the one of that name there, with what the other document made of it. The
// copies made aside wear this style instead, and get their own back when
// they are in the workbook.
const char kStandInPageStyle[] = "sheetsplicer side page style";

uno::Reference<container::XNameContainer> pageStyles(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    uno::Reference<style::XStyleFamiliesSupplier> families(document, uno::UNO_QUERY_THROW);
    return uno::Reference<container::XNameContainer>(families->getStyleFamilies()->getByName("PageStyles"),
                                                     uno::UNO_QUERY_THROW);
}

QString pageStyleOf(const uno::Reference<uno::XInterface> &sheet)
{
    uno::Reference<beans::XPropertySet> props(sheet, uno::UNO_QUERY_THROW);
    return qs(props->getPropertyValue("PageStyle").get<rtl::OUString>());
}

// What the office leaves behind when it moves a sheet between documents:
// its print ranges and the rows and columns printed on every page.
struct PrintSetup
{
    uno::Sequence<table::CellRangeAddress> areas;
    bool titleRows = false;
    table::CellRangeAddress rows;
    bool titleColumns = false;
    table::CellRangeAddress columns;

    bool isEmpty() const { return !areas.hasElements() && !titleRows && !titleColumns; }
};

PrintSetup printSetupOf(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    uno::Reference<sheet::XPrintAreas> print(sheet, uno::UNO_QUERY_THROW);
    return {print->getPrintAreas(), bool(print->getPrintTitleRows()), print->getTitleRows(),
            bool(print->getPrintTitleColumns()), print->getTitleColumns()};
}

// Setting any of it costs the office a page layout of the sheet: only what
// there is to set is set.
void setPrintSetup(const uno::Reference<sheet::XSpreadsheet> &sheet, PrintSetup setup)
{
    if (setup.isEmpty() && printSetupOf(sheet).isEmpty())
        return;
    uno::Reference<sheet::XPrintAreas> print(sheet, uno::UNO_QUERY_THROW);
    const sal_Int16 tab = uno::Reference<sheet::XCellRangeAddressable>(sheet, uno::UNO_QUERY_THROW)->getRangeAddress().Sheet;
    for (table::CellRangeAddress &area : setup.areas)
        area.Sheet = tab;
    setup.rows.Sheet = tab;
    setup.columns.Sheet = tab;
    print->setPrintAreas(setup.areas);
    print->setPrintTitleRows(setup.titleRows);
    if (setup.titleRows)
        print->setTitleRows(setup.rows);
    print->setPrintTitleColumns(setup.titleColumns);
    if (setup.titleColumns)
        print->setTitleColumns(setup.columns);
}

uno::Reference<beans::XPropertySet> defaultCellStyle(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    uno::Reference<style::XStyleFamiliesSupplier> families(document, uno::UNO_QUERY_THROW);
    uno::Reference<container::XNameAccess> cellStyles(families->getStyleFamilies()->getByName("CellStyles"),
                                                      uno::UNO_QUERY_THROW);
    return uno::Reference<beans::XPropertySet>(cellStyles->getByName("Default"), uno::UNO_QUERY_THROW);
}

// The standard row height follows the default cell style's font: with the
// workbook's, rows a delete frees at the bottom come as the workbook's do.
void matchDefaultCellStyle(const uno::Reference<sheet::XSpreadsheetDocument> &from,
                           const uno::Reference<sheet::XSpreadsheetDocument> &to)
{
    const uno::Reference<beans::XPropertySet> source = defaultCellStyle(from);
    const uno::Reference<beans::XPropertySet> target = defaultCellStyle(to);
    for (const char *script : {"", "Asian", "Complex"})
        for (const char *property : {"CharFontName", "CharFontStyleName", "CharFontFamily", "CharFontPitch",
                                     "CharFontCharSet", "CharHeight", "CharWeight", "CharPosture"}) {
            const rtl::OUString name = ou(QString::fromLatin1(property) + QString::fromLatin1(script));
            target->setPropertyValue(name, source->getPropertyValue(name));
        }
}

void setPageStyle(const uno::Reference<uno::XInterface> &sheet, const QString &name)
{
    uno::Reference<beans::XPropertySet> props(sheet, uno::UNO_QUERY_THROW);
    props->setPropertyValue("PageStyle", uno::Any(ou(name)));
}

// The sheet `name` of `from`, put into `into` at `tab` (at its end when
// negative) under the page style `pageStyle`, with its print setup; null when
// the office gave it another name (the name is taken there), and it is then
// gone again.
uno::Reference<sheet::XSpreadsheet> importSheet(const uno::Reference<sheet::XSpreadsheetDocument> &into, int tab,
                                                const uno::Reference<sheet::XSpreadsheetDocument> &from,
                                                const QString &name, const QString &pageStyle)
{
    uno::Reference<sheet::XSpreadsheets2> sheets(into->getSheets(), uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> byIndex(sheets, uno::UNO_QUERY_THROW);
    const PrintSetup print = printSetupOf(
        uno::Reference<sheet::XSpreadsheet>(from->getSheets()->getByName(ou(name)), uno::UNO_QUERY_THROW));
    // Not in front of the first sheet, which the office has been seen to
    // fail at: at the end, and moved there after.
    const sal_Int32 at = sheets->importSheet(from, ou(name), tab > 0 ? static_cast<sal_Int32>(tab) : byIndex->getCount());
    uno::Reference<sheet::XSpreadsheet> arrived(byIndex->getByIndex(at), uno::UNO_QUERY_THROW);
    const rtl::OUString given = uno::Reference<container::XNamed>(arrived, uno::UNO_QUERY_THROW)->getName();
    if (given != ou(name)) {
        sheets->removeByName(given);
        return {};
    }
    setPageStyle(arrived, pageStyle);
    if (tab == 0 && at != 0)
        sheets->moveByName(given, 0);
    setPrintSetup(arrived, print);
    return arrived;
}

void closeDocument(const uno::Reference<sheet::XSpreadsheetDocument> &document)
{
    uno::Reference<util::XCloseable> closeable(document, uno::UNO_QUERY);
    if (closeable.is())
        closeable->close(true);
}

} // namespace

SideDocuments::SideDocuments(OfficeSession &session)
    : m_session(session)
{
}

SideDocuments::~SideDocuments()
{
    closeAll();
}

// A new hidden document that holds the source sheet alone, set up as the
// workbook is: no undo, no row heights fitted after a delete.
bool SideDocuments::open(Side &side, const uno::Reference<sheet::XSpreadsheetDocument> &from, const QString &sourceName)
{
    const uno::Reference<sheet::XSpreadsheetDocument> document = newBlankWorkbook(m_session.context());
    side.document = document;
    keepQuiet(document);
    uno::Reference<sheet::XCalculatable>(document, uno::UNO_QUERY_THROW)->enableAutomaticCalculation(false);

    matchDefaultCellStyle(from, document);
    uno::Reference<sheet::XSpreadsheets2> sheets(document->getSheets(), uno::UNO_QUERY_THROW);
    const uno::Sequence<rtl::OUString> blank = sheets->getElementNames();
    // The new document's own sheets are renamed out of the way and removed
    // once the source is in.
    for (sal_Int32 i = 0; i < blank.getLength(); ++i) {
        uno::Reference<container::XNamed> named(sheets->getByName(blank[i]), uno::UNO_QUERY_THROW);
        named->setName(ou(QStringLiteral("sheetsplicer side %1").arg(i)));
    }
    uno::Reference<lang::XMultiServiceFactory> factory(document, uno::UNO_QUERY_THROW);
    pageStyles(document)->insertByName(kStandInPageStyle,
                                       uno::Any(factory->createInstance("com.sun.star.style.PageStyle")));
    // Copies of it wear the stand-in too.
    const bool imported = importSheet(document, -1, from, sourceName, kStandInPageStyle).is();
    for (sal_Int32 i = 0; i < blank.getLength(); ++i)
        sheets->removeByName(ou(QStringLiteral("sheetsplicer side %1").arg(i)));
    side.pageStyle = pageStyleOf(from->getSheets()->getByName(ou(sourceName)).get<uno::Reference<uno::XInterface>>());
    return imported;
}

SideDocuments::Side *SideDocuments::sideFor(const uno::Reference<sheet::XSpreadsheetDocument> &from,
                                            const QString &sourceName, quint64 sourceVersion)
{
    if (m_documents.isEmpty() || m_documents.last().copies >= kSheetsPerDocument
        || m_documents.last().sourceName != sourceName || m_documents.last().sourceVersion != sourceVersion) {
        Side side;
        side.sourceName = sourceName;
        side.sourceVersion = sourceVersion;
        const bool opened = open(side, from, sourceName);
        if (side.document.is())
            m_documents.append(side);
        if (!opened)
            return nullptr;
    }
    return &m_documents.last();
}

uno::Reference<sheet::XSpreadsheet> SideDocuments::inSideDocument(
    const uno::Reference<sheet::XSpreadsheetDocument> &from, const QString &sourceName, quint64 sourceVersion,
    const std::function<uno::Reference<sheet::XSpreadsheet>(Side &)> &make)
{
    return guarded(m_session, [&]() -> uno::Reference<sheet::XSpreadsheet> {
        Side *side = sideFor(from, sourceName, sourceVersion);
        return side ? make(*side) : uno::Reference<sheet::XSpreadsheet>();
    }, uno::Reference<sheet::XSpreadsheet>());
}

uno::Reference<sheet::XSpreadsheet> SideDocuments::copy(const uno::Reference<sheet::XSpreadsheetDocument> &from,
                                                       const QString &sourceName, quint64 sourceVersion,
                                                       const QString &name)
{
    return inSideDocument(from, sourceName, sourceVersion, [&](Side &side) -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = side.document->getSheets();
        const sal_Int32 end = uno::Reference<container::XIndexAccess>(sheets, uno::UNO_QUERY_THROW)->getCount();
        sheets->copyByName(ou(sourceName), ou(name), static_cast<sal_Int16>(end));
        ++side.copies;
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
    });
}

uno::Reference<sheet::XSpreadsheet> SideDocuments::take(const uno::Reference<sheet::XSpreadsheetDocument> &from,
                                                       const QString &sourceName, quint64 sourceVersion,
                                                       const QString &name)
{
    return inSideDocument(from, sourceName, sourceVersion, [&](Side &side) -> uno::Reference<sheet::XSpreadsheet> {
        const uno::Reference<sheet::XSpreadsheet> taken = importSheet(side.document, -1, from, name, kStandInPageStyle);
        if (!taken.is())
            return {};
        ++side.copies;
        try {
            from->getSheets()->removeByName(ou(name));
        } catch (...) {
            side.document->getSheets()->removeByName(ou(name));
            throw;
        }
        return taken;
    });
}

uno::Reference<sheet::XSpreadsheet> SideDocuments::bringInto(const uno::Reference<sheet::XSpreadsheetDocument> &into,
                                                            int tab,
                                                            const uno::Reference<sheet::XSpreadsheetDocument> &side,
                                                            const QString &name)
{
    const auto found = std::find_if(m_documents.cbegin(), m_documents.cend(),
                                    [&](const Side &s) { return s.document == side; });
    if (found == m_documents.cend())
        return {};
    return importSheet(into, tab, side, name, found->pageStyle);
}

void SideDocuments::finish(const uno::Reference<sheet::XSpreadsheetDocument> &into)
{
    guarded(m_session, [&]() -> bool {
        const uno::Reference<container::XNameContainer> styles = pageStyles(into);
        if (styles->hasByName(kStandInPageStyle))
            styles->removeByName(kStandInPageStyle);
        return true;
    }, false);
}

uno::Reference<sheet::XSpreadsheetDocument> SideDocuments::lastDocument() const
{
    return m_documents.isEmpty() ? uno::Reference<sheet::XSpreadsheetDocument>() : m_documents.last().document;
}

void SideDocuments::closeAll()
{
    const QList<Side> documents = m_documents;
    m_documents.clear();
    for (const Side &side : documents)
        guarded(m_session, [&]() -> bool {
            closeDocument(side.document);
            return true;
        }, false);
}
