#include "Book.h"

#include <QTemporaryDir>

#include "CalcFormulaSyntax.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "QuietDocument.h"
#include "ScriptFonts.h"
#include "SheetFilters.h"
#include "SheetNames.h"
#include "UnoText.h"
#include "XlsTextResults.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/util/XCloseable.hpp>

using namespace css;

Book::Book(OfficeSession &session, uno::Reference<sheet::XSpreadsheetDocument> document, QString sourcePath,
           ReadableSource readable)
    : m_session(session)
    , m_document(std::move(document))
    , m_sourcePath(std::move(sourcePath))
    , m_readable(std::move(readable))
    , m_unbuffered(qEnvironmentVariableIntValue("SHEETSPLICER_UNBUFFERED") != 0)
    , m_sheets(*this)
    , m_values(*this)
    , m_formulas(*this)
    , m_rows(*this)
    , m_grouped(*this)
    , m_sideCopies(*this)
    , m_saving(*this)
    , m_useRules(m_formulas, m_grouped, m_values, m_sideCopies, m_closed)
{
    // Undo is never used, and nothing is shown: keep both out of every call.
    guarded(m_session, [&]() -> bool {
        keepQuiet(m_document);
        // INDIRECT("Sheet!A1") reads Excel's reference style in this document
        // whatever format it came from, as it does in Excel.
        uno::Reference<lang::XMultiServiceFactory> factory(m_document, uno::UNO_QUERY);
        uno::Reference<beans::XPropertySet> documentSettings(
            factory.is() ? factory->createInstance("com.sun.star.document.Settings") : uno::Reference<uno::XInterface>(),
            uno::UNO_QUERY);
        if (documentSettings.is())
            documentSettings->setPropertyValue("SyntaxStringRef", uno::Any(kCalcOrExcelA1));
        return true;
    }, false);
    m_sheets.noteSourceSheets();
    // Before any copy is made: a copy shows the rows only a filter hid.
    guarded(m_session, [&]() -> bool {
        m_saving.setFiltersAside(SheetFilters::showFilteredRows(m_document));
        return true;
    }, false);
    // Before any copy is made, so that copies carry the fonts too.
    guarded(m_session, [&]() -> bool {
        ScriptFonts::matchToWestern(m_document);
        return true;
    }, false);
    // Text results of the formulas an .xls file brought, stored right; before
    // any copy is made, so that the copies' formulas are right too.
    if (m_sourcePath.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive)) {
        guarded(m_session, [&]() -> bool {
            reenterTextFormulas(m_document, {QString()});
            return true;
        }, false);
    }
}

Book::~Book()
{
    close();
}

std::shared_ptr<SheetState> Book::copySheet(SheetState &source, SheetState &before)
{
    const int index = indexOf(before);
    const QString sourceName = nameOf(source);
    if (index < 0 || sourceName.isNull())
        return nullptr;
    // Sent here rather than before the call (see SheetUseRules): the checks
    // above ask the office first.
    flushFormulas();
    // Cell-by-cell mode puts the copy where Excel does at once, so the two
    // ways can be compared. Otherwise the office makes it right after the
    // workbook's own sheets, ahead of earlier copies, where the caller's
    // order ends up putting it (so saving moves nothing): inside a range over
    // several of the user's sheets, its rows' deletion would break the
    // range, and it would be counted in.
    const int tab = m_unbuffered ? tabOf(before) : m_sheets.tabAfterSourceSheets();
    if (tab < 0 || (!m_unbuffered && tab == 0))
        return nullptr;
    const QString copyName = copiedSheetName(sourceName, sheetNames());
    // While the source has a grouped source, the copy waits for what is
    // done to it (see GroupedSource.cpp).
    auto copy = m_grouped.deferredCopy(source, copyName, tab, index);
    // Or it is made in a side document (see BookSideCopies.cpp).
    if (!copy)
        copy = m_sideCopies.sideCopy(source, copyName, index);
    if (!copy) {
        copy = m_sheets.insertSheet(copyName, tab, index, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
            sheets->copyByName(ou(sourceName), ou(copyName), static_cast<sal_Int16>(tab));
        });
    }
    if (!copy)
        return nullptr;
    copy->copiedFrom = m_sheets.states().value(source.identity.get());
    copy->sourceVersionAtCopy = source.version;
    copy->versionAtCopy = copy->version;
    return copy;
}

std::shared_ptr<SheetState> Book::addSheetFirst(const QString &name)
{
    if (m_closed || !m_sheets.knowOrder())
        return nullptr;
    // Sheets.Add reaches no sheet, so no rule applies before it; the order
    // is read from the office first.
    flushFormulas();
    return m_sheets.insertSheet(name, 0, 0, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
        sheets->insertNewByName(ou(name), 0);
    });
}

uno::Reference<beans::XPropertySet> Book::propertiesOf(SheetState &state, const QList<SheetArea> &areas)
{
    if (areas.size() == 1) {
        const SheetArea &a = areas.first();
        return uno::Reference<beans::XPropertySet>(
            state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), uno::UNO_QUERY_THROW);
    }
    uno::Reference<lang::XMultiServiceFactory> factory(documentOf(state), uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XSheetCellRangeContainer> container(
        factory->createInstance("com.sun.star.sheet.SheetCellRanges"), uno::UNO_QUERY_THROW);
    const sal_Int16 tab = static_cast<sal_Int16>(tabOf(state));
    for (const SheetArea &a : areas)
        container->addRangeAddress(table::CellRangeAddress(tab, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), false);
    return uno::Reference<beans::XPropertySet>(container, uno::UNO_QUERY_THROW);
}

void Book::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_sideCopies.close();
    guarded(m_session, [&]() -> bool {
        uno::Reference<util::XCloseable> closeable(m_document, uno::UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        return true;
    }, false);
    m_sheets.clear();
}
