#include "Book.h"

#include "CalcFormulaSyntax.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "QuietDocument.h"
#include "ScriptFonts.h"
#include "SheetNames.h"
#include "UnoText.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>

#include <functional>
#include <sys/stat.h>

using namespace css;

Book::Book(OfficeSession &session, uno::Reference<sheet::XSpreadsheetDocument> document, QString sourcePath)
    : m_session(session)
    , m_document(std::move(document))
    , m_sourcePath(std::move(sourcePath))
    , m_unbuffered(qEnvironmentVariableIntValue("SHEETSPLICER_UNBUFFERED") != 0)
    , m_sideFromSheets(qgetenv("SHEETSPLICER_SIDE_DOCUMENTS") == "0"        ? -1
                       : qgetenv("SHEETSPLICER_SIDE_DOCUMENTS") == "always" ? 0
                                                                            : SideDocuments::kWorkbookSheets)
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
    m_sourceSheetNames = sheetNames();
    // Before any copy is made, so that copies carry the fonts too.
    guarded(m_session, [&]() -> bool {
        ScriptFonts::matchToWestern(m_document);
        return true;
    }, false);
}

Book::~Book()
{
    close();
}

std::shared_ptr<SheetState> Book::stateOf(const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    if (!sheet.is())
        return nullptr;
    // UNO keeps one XInterface per object, also across the bridge: its
    // address names the sheet whatever handle it came through.
    const uno::Reference<uno::XInterface> identity(sheet, uno::UNO_QUERY);
    const void *key = identity.get();
    if (auto found = m_states.value(key))
        return found;
    auto state = std::make_shared<SheetState>();
    state->sheet = sheet;
    state->identity = identity;
    m_states.insert(key, state);
    return state;
}

QStringList Book::sheetNames()
{
    return guarded(m_session, [&]() -> QStringList {
        QStringList names;
        for (const rtl::OUString &name : m_document->getSheets()->getElementNames())
            names << qs(name);
        if (m_grouped)
            for (const GroupedPart &part : m_grouped->parts)
                names.removeOne(part.name);
        // Copies made aside are the caller's sheets too.
        if (m_side)
            for (const auto &state : qAsConst(m_states))
                if (state->away.is())
                    names << state->awayName;
        return names;
    }, QStringList());
}

// The caller's order is read from the office once; after that every change
// goes through this class and is noted in both orders.
bool Book::knowOrder()
{
    if (m_order.known())
        return true;
    if (m_closed)
        return false;
    return guarded(m_session, [&]() -> bool {
        uno::Reference<container::XIndexAccess> sheets(m_document->getSheets(), uno::UNO_QUERY_THROW);
        QVector<SheetOrder::Key> keys;
        const sal_Int32 count = sheets->getCount();
        for (sal_Int32 i = 0; i < count; ++i) {
            auto state = stateOf(uno::Reference<sheet::XSpreadsheet>(sheets->getByIndex(i), uno::UNO_QUERY_THROW));
            if (!isGroupedPart(*state))
                keys << state->identity.get();
        }
        m_order.reset(keys);
        return true;
    }, false);
}

std::shared_ptr<SheetState> Book::sheetAt(int index)
{
    if (index < 0 || m_closed || !knowOrder() || index >= m_order.count())
        return nullptr;
    return m_states.value(m_order.at(index));
}

int Book::sheetCount()
{
    if (m_closed || !knowOrder())
        return -1;
    return m_order.count();
}

int Book::indexOf(const SheetState &state)
{
    if (m_closed || !knowOrder())
        return -1;
    return m_order.indexOf(state.identity.get());
}

int Book::tabOf(const SheetState &state)
{
    return guarded(m_session, [&]() -> int {
        uno::Reference<sheet::XCellRangeAddressable> addressable(state.sheet, uno::UNO_QUERY_THROW);
        return addressable->getRangeAddress().Sheet;
    }, -1);
}

int Book::tabAfterSourceSheets()
{
    return guarded(m_session, [&]() -> int {
        const uno::Sequence<rtl::OUString> names = m_document->getSheets()->getElementNames();
        int after = -1;
        for (sal_Int32 i = 0; i < names.getLength(); ++i)
            if (m_sourceSheetNames.contains(qs(names[i])))
                after = i + 1;
        return after;
    }, -1);
}

std::shared_ptr<SheetState> Book::copySheet(SheetState &source, SheetState &before)
{
    const int index = indexOf(before);
    const QString sourceName = nameOf(source);
    if (index < 0 || sourceName.isNull())
        return nullptr;
    flushFormulas();
    // Cell-by-cell mode puts the copy where Excel does at once, so the two
    // ways can be compared. Otherwise the office makes it right after the
    // workbook's own sheets, ahead of earlier copies, where the caller's
    // order ends up putting it (so saving moves nothing): inside a range over
    // several of the user's sheets, its rows' deletion would break the
    // range, and it would be counted in.
    const int tab = m_unbuffered ? tabOf(before) : tabAfterSourceSheets();
    if (tab < 0 || (!m_unbuffered && tab == 0))
        return nullptr;
    const QString copyName = copiedSheetName(sourceName, sheetNames());
    // While the source has a grouped source, the copy waits for what is
    // done to it (see GroupedSource.cpp).
    auto copy = deferredCopy(source, copyName, tab, index);
    // Or it is made in a side document (see BookSideCopies.cpp).
    if (!copy)
        copy = sideCopy(source, copyName, index);
    if (!copy) {
        copy = insertSheet(copyName, tab, index, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
            sheets->copyByName(ou(sourceName), ou(copyName), static_cast<sal_Int16>(tab));
        });
    }
    if (!copy)
        return nullptr;
    copy->copiedFrom = m_states.value(source.identity.get());
    copy->sourceVersionAtCopy = source.version;
    copy->versionAtCopy = copy->version;
    return copy;
}

// A sheet the office makes at `tab`, named `name`, noted at `index` in the
// caller's order.
std::shared_ptr<SheetState> Book::insertSheet(const QString &name, int tab, int index,
                                              const std::function<void(const uno::Reference<sheet::XSpreadsheets> &)> &make)
{
    const int hiddenBefore = groupedPartsBefore(tab);
    auto made = guarded(m_session, [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_document->getSheets();
        make(sheets);
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
    }, uno::Reference<sheet::XSpreadsheet>());
    invalidateValues();
    if (!made.is()) {
        m_order.forget(); // the office's order is read again when next needed
        return nullptr;
    }
    auto state = stateOf(made);
    m_order.inserted(state->identity.get(), tab - hiddenBefore, index);
    return state;
}

bool Book::moveSheet(SheetState &sheet, SheetState &before)
{
    if (indexOf(sheet) < 0 || indexOf(before) < 0)
        return false;
    m_order.movedBefore(sheet.identity.get(), before.identity.get());
    return !m_unbuffered || alignSheetOrder();
}

std::shared_ptr<SheetState> Book::addSheetFirst(const QString &name)
{
    if (m_closed || !knowOrder())
        return nullptr;
    flushFormulas();
    return insertSheet(name, 0, 0, [&](const uno::Reference<sheet::XSpreadsheets> &sheets) {
        sheets->insertNewByName(ou(name), 0);
    });
}

// The office gets the caller's order before anything that shows it.
bool Book::alignSheetOrder()
{
    materializeAll();
    dropGroupedSource(); // the office's order is then the one the orders hold
    if (!bringInSideCopies())
        return false;
    if (!m_order.known() || m_order.inStep())
        return true;
    const QVector<SheetOrder::Move> moves = m_order.alignOffice();
    const bool ok = guarded(m_session, [&]() -> bool {
        uno::Reference<sheet::XSpreadsheets> sheets = m_document->getSheets();
        for (const SheetOrder::Move &move : moves) {
            const auto state = m_states.value(move.key);
            uno::Reference<container::XNamed> named(state->sheet, uno::UNO_QUERY_THROW);
            sheets->moveByName(named->getName(), static_cast<sal_Int16>(move.to));
        }
        return true;
    }, false);
    if (!ok)
        m_order.forget();
    invalidateValues();
    return ok;
}

bool Book::renameSheet(SheetState &state, const QString &name)
{
    const bool renamed = guarded(m_session, [&]() -> bool {
        uno::Reference<container::XNamed> named(state.sheet, uno::UNO_QUERY_THROW);
        named->setName(ou(name));
        return true;
    }, false);
    if (renamed && state.away.is())
        state.awayName = name;
    return renamed;
}

QString Book::nameOf(const SheetState &state)
{
    return guarded(m_session, [&]() -> QString {
        uno::Reference<container::XNamed> named(state.sheet, uno::UNO_QUERY_THROW);
        return qs(named->getName());
    }, QString());
}
