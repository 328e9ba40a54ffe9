// What decides whether a sheet's copies can be made in side documents.
#include "SideDocuments.h"

#include "CompoundFile.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "QuietDocument.h"
#include "UnoProps.h"
#include "UnoText.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/SheetLinkMode.hpp>
#include <com/sun/star/sheet/ValidationType.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XConditionalFormats.hpp>
#include <com/sun/star/sheet/XDataPilotTablesSupplier.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetLinkable.hpp>
#include <com/sun/star/sheet/XSpreadsheets2.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XUnnamedDatabaseRanges.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include <QUrl>

using namespace css;

namespace {

bool holdsValidation(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    uno::Reference<sheet::XUniqueCellFormatRangesSupplier> formats(sheet, uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> ranges = formats->getUniqueCellFormatRanges();
    for (sal_Int32 i = 0; i < ranges->getCount(); ++i) {
        uno::Reference<beans::XPropertySet> props(ranges->getByIndex(i), uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> validation(props->getPropertyValue("Validation"), uno::UNO_QUERY);
        if (validation.is()
            && validation->getPropertyValue("Type").get<sheet::ValidationType>() != sheet::ValidationType_ANY)
            return true;
    }
    return false;
}

// Tables (named database ranges) and a filter's range stay behind.
bool holdsDatabaseRange(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                        const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    const sal_Int16 tab = uno::Reference<sheet::XCellRangeAddressable>(sheet, uno::UNO_QUERY_THROW)->getRangeAddress().Sheet;
    uno::Reference<beans::XPropertySet> props(document, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XUnnamedDatabaseRanges> unnamed(props->getPropertyValue("UnnamedDatabaseRanges"),
                                                          uno::UNO_QUERY_THROW);
    if (unnamed->hasByTable(tab))
        return true;
    uno::Reference<container::XIndexAccess> named(props->getPropertyValue("DatabaseRanges"), uno::UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < named->getCount(); ++i) {
        uno::Reference<sheet::XCellRangeReferrer> range(named->getByIndex(i), uno::UNO_QUERY_THROW);
        uno::Reference<sheet::XCellRangeAddressable> area(range->getReferredCells(), uno::UNO_QUERY);
        if (!area.is() || area->getRangeAddress().Sheet == tab)
            return true;
    }
    return false;
}

} // namespace

bool SideDocuments::workbookTakesSheets(const QString &path)
{
    if (!CompoundFile::isCompoundFile(path))
        return true;
    OfficeSession probe;
    if (!probe.start())
        return false;
    // Not through guarded(): the office dying here is an answer, not a fault.
    bool took = false;
    try {
        OfficeSession::Call call(probe);
        uno::Reference<frame::XComponentLoader> loader(probe.desktop(), uno::UNO_QUERY_THROW);
        const rtl::OUString url = ou(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()));
        uno::Reference<sheet::XSpreadsheetDocument> workbook(
            loader->loadComponentFromURL(url, "_blank", 0,
                                         props({prop("Hidden", uno::Any(true)), prop("ReadOnly", uno::Any(true)),
                                                prop("MacroExecutionMode",
                                                     uno::Any(document::MacroExecMode::NEVER_EXECUTE))})),
            uno::UNO_QUERY_THROW);
        const uno::Reference<sheet::XSpreadsheetDocument> blank = newBlankWorkbook(probe.context());
        uno::Reference<sheet::XSpreadsheets2> sheets(workbook->getSheets(), uno::UNO_QUERY_THROW);
        const rtl::OUString name = blank->getSheets()->getElementNames()[0];
        sheets->importSheet(blank, name, uno::Reference<container::XIndexAccess>(sheets, uno::UNO_QUERY_THROW)->getCount());
        took = true;
    } catch (const uno::Exception &e) {
        qCInfo(officeLog) << "trying a sheet from another document:" << qs(e.Message);
        probe.markLost();
    }
    const bool alive = took && !probe.lost();
    probe.quit();
    if (!alive)
        qCInfo(officeLog) << "the office cannot take a sheet from another document into" << path;
    return alive;
}

bool SideDocuments::canCarry(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                             const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    if (!sheet.is() || !document.is())
        return false;
    uno::Reference<sheet::XCellRangesQuery> query(sheet, uno::UNO_QUERY_THROW);
    if (query->queryContentCells(sheet::CellFlags::FORMULA)->getRangeAddresses().hasElements())
        return false;
    return holdsOnlyCells(document, sheet);
}

bool SideDocuments::holdsOnlyCells(const uno::Reference<sheet::XSpreadsheetDocument> &document,
                                   const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    if (!sheet.is() || !document.is())
        return false;
    if (holdsDatabaseRange(document, sheet))
        return false;
    if (uno::Reference<drawing::XDrawPageSupplier>(sheet, uno::UNO_QUERY_THROW)->getDrawPage()->hasElements())
        return false;
    if (uno::Reference<table::XTableChartsSupplier>(sheet, uno::UNO_QUERY_THROW)->getCharts()->hasElements())
        return false;
    if (uno::Reference<sheet::XDataPilotTablesSupplier>(sheet, uno::UNO_QUERY_THROW)->getDataPilotTables()->hasElements())
        return false;
    if (uno::Reference<sheet::XSheetLinkable>(sheet, uno::UNO_QUERY_THROW)->getLinkMode() != sheet::SheetLinkMode_NONE)
        return false;
    if (uno::Reference<util::XProtectable>(sheet, uno::UNO_QUERY_THROW)->isProtected())
        return false;
    uno::Reference<beans::XPropertySet> props(sheet, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XConditionalFormats> conditional(props->getPropertyValue("ConditionalFormats"), uno::UNO_QUERY_THROW);
    if (conditional->getLength() > 0)
        return false;
    return !holdsValidation(sheet);
}
