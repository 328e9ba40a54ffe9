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
    : m_context(session, std::move(document), std::move(sourcePath), std::move(readable))
    , m_sheets(m_context, *this)
    , m_values(m_context, m_sheets)
    , m_formulas(m_context, m_sheets, m_values)
    , m_rows(m_context, m_sheets, m_values)
    , m_grouped(m_context, m_sheets, m_values, m_rows)
    , m_sideCopies(m_context, m_sheets, m_grouped, m_values)
    , m_saving(m_context, m_sheets, m_values, m_formulas, m_grouped, m_sideCopies)
    , m_useRules(m_formulas, m_grouped, m_values, m_sideCopies, m_context.closedFlag())
{
    // Undo is never used, and nothing is shown: keep both out of every call.
    guarded(m_context.session(), [&]() -> bool {
        keepQuiet(m_context.document());
        // INDIRECT("Sheet!A1") reads Excel's reference style in this document
        // whatever format it came from, as it does in Excel.
        uno::Reference<lang::XMultiServiceFactory> factory(m_context.document(), uno::UNO_QUERY);
        uno::Reference<beans::XPropertySet> documentSettings(
            factory.is() ? factory->createInstance("com.sun.star.document.Settings") : uno::Reference<uno::XInterface>(),
            uno::UNO_QUERY);
        if (documentSettings.is())
            documentSettings->setPropertyValue("SyntaxStringRef", uno::Any(kCalcOrExcelA1));
        return true;
    }, false);
    m_sheets.noteSourceSheets();
    // Before any copy is made: a copy shows the rows only a filter hid.
    guarded(m_context.session(), [&]() -> bool {
        m_saving.setFiltersAside(SheetFilters::showFilteredRows(m_context.document()));
        return true;
    }, false);
    // Before any copy is made, so that copies carry the fonts too.
    guarded(m_context.session(), [&]() -> bool {
        ScriptFonts::matchToWestern(m_context.document());
        return true;
    }, false);
    // Text results of the formulas an .xls file brought, stored right; before
    // any copy is made, so that the copies' formulas are right too.
    if (m_context.sourceIsXls()) {
        guarded(m_context.session(), [&]() -> bool {
            reenterTextFormulas(m_context.document(), {QString()});
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
    const int tab = m_context.unbuffered() ? tabOf(before) : m_sheets.tabAfterSourceSheets();
    if (tab < 0 || (!m_context.unbuffered() && tab == 0))
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
    copy->lineage.source = m_sheets.states().value(source.identity.get());
    copy->lineage.sourceVersion = source.version;
    copy->lineage.version = copy->version;
    return copy;
}

bool Book::deleteRows(SheetState &state, const QList<SheetArea> &rows)
{
    // A stand-in is made from the grouped source when the rows kept fit it;
    // else it becomes a whole copy first.
    const std::optional<bool> fromGrouped = m_grouped.materializeForDelete(state, rows);
    m_grouped.materialize(state);
    bool ok = false;
    if (fromGrouped) {
        ok = *fromGrouped;
    } else {
        const bool manyRuns = m_rows.manyRunsMayMove(state, rows);
        // The first delete on a fresh, filtered copy also makes the grouped
        // source that later copies come from.
        if (!state.aside.document.is())
            m_grouped.groupSourceOf(state, rows);
        ok = m_rows.deleteFromWholeSheet(state, rows, manyRuns);
    }
    if (ok) {
        m_rows.refillBottomRows(state, rows);
        m_saving.forgetFiltersAsideOf(m_sheets.nameOf(state));
    }
    // Without a grouped source, later copies may be made aside.
    if (ok && !fromGrouped)
        m_sideCopies.considerSideCopies(state);
    m_rows.noteRowsDeleted(state);
    return ok;
}

bool Book::bringSheetsIn()
{
    m_grouped.materializeAll();
    m_grouped.dropGroupedSource();
    return !m_grouped.heldFormulasLost() && m_sideCopies.bringInSideCopies();
}

std::shared_ptr<SheetState> Book::addSheetFirst(const QString &name)
{
    if (m_context.closed() || !m_sheets.knowOrder())
        return nullptr;
    // Sheets.Add reaches no sheet, so no rule applies before it; the order
    // is read from the office first.
    flushFormulas();
    return m_sheets.insertSheet(name, 0, 0, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
        sheets->insertNewByName(ou(name), 0);
    });
}

void Book::close()
{
    if (m_context.closed())
        return;
    m_context.markClosed();
    m_sideCopies.close();
    guarded(m_context.session(), [&]() -> bool {
        uno::Reference<util::XCloseable> closeable(m_context.document(), uno::UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        return true;
    }, false);
    m_sheets.clear();
}
