#include "SheetRegistry.h"

#include "BookContext.h"
#include "Guarded.h"
#include "OfficeSession.h"
#include "UnoText.h"

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>

using namespace css;

void SheetRegistry::noteSourceSheets()
{
    m_sourceSheetNames = sheetNames();
}

bool SheetRegistry::removeSheet(SheetState &state)
{
    const QString name = nameOf(state);
    if (name.isNull() || sheetNames().size() < 2)
        return false;
    const bool removed = guarded(m_context.session(), [&]() -> bool {
        m_context.document()->getSheets()->removeByName(ou(name));
        return true;
    }, false);
    if (!removed)
        return false;
    m_sourceSheetNames.removeAll(name);
    m_states.remove(state.identity.get());
    m_order.forget();
    m_neighbours.sheetsChanged();
    return true;
}

std::shared_ptr<SheetState> SheetRegistry::stateOf(const uno::Reference<sheet::XSpreadsheet> &sheet)
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

QStringList SheetRegistry::sheetNames()
{
    return guarded(m_context.session(), [&]() -> QStringList {
        QStringList names;
        for (const rtl::OUString &name : m_context.document()->getSheets()->getElementNames())
            names << qs(name);
        for (const QString &part : m_neighbours.hiddenSheetNames())
            names.removeOne(part);
        // Copies made aside are the caller's sheets too.
        if (m_neighbours.anySheetAside())
            for (const auto &state : qAsConst(m_states))
                if (state->aside.document.is())
                    names << state->aside.name;
        return names;
    }, QStringList());
}

// The caller's order is read from the office once; after that every change
// goes through this class and is noted in both orders.
bool SheetRegistry::knowOrder()
{
    if (m_order.known())
        return true;
    if (m_context.closed())
        return false;
    return guarded(m_context.session(), [&]() -> bool {
        uno::Reference<container::XIndexAccess> sheets(m_context.document()->getSheets(), uno::UNO_QUERY_THROW);
        QVector<SheetOrder::Key> keys;
        const sal_Int32 count = sheets->getCount();
        for (sal_Int32 i = 0; i < count; ++i) {
            auto state = stateOf(uno::Reference<sheet::XSpreadsheet>(sheets->getByIndex(i), uno::UNO_QUERY_THROW));
            if (!m_neighbours.isHiddenSheet(*state))
                keys << state->identity.get();
        }
        m_order.reset(keys);
        return true;
    }, false);
}

std::shared_ptr<SheetState> SheetRegistry::sheetAt(int index)
{
    if (index < 0 || m_context.closed() || !knowOrder() || index >= m_order.count())
        return nullptr;
    return m_states.value(m_order.at(index));
}

int SheetRegistry::sheetCount()
{
    if (m_context.closed() || !knowOrder())
        return -1;
    return m_order.count();
}

int SheetRegistry::indexOf(const SheetState &state)
{
    if (m_context.closed() || !knowOrder())
        return -1;
    return m_order.indexOf(state.identity.get());
}

int SheetRegistry::tabOf(const SheetState &state)
{
    return guarded(m_context.session(), [&]() -> int {
        uno::Reference<sheet::XCellRangeAddressable> addressable(state.sheet, uno::UNO_QUERY_THROW);
        return addressable->getRangeAddress().Sheet;
    }, -1);
}

int SheetRegistry::tabAfterSourceSheets()
{
    return guarded(m_context.session(), [&]() -> int {
        const uno::Sequence<rtl::OUString> names = m_context.document()->getSheets()->getElementNames();
        int after = -1;
        for (sal_Int32 i = 0; i < names.getLength(); ++i)
            if (m_sourceSheetNames.contains(qs(names[i])))
                after = i + 1;
        return after;
    }, -1);
}

// A sheet the office makes at `tab`, named `name`, noted at `index` in the
// caller's order.
std::shared_ptr<SheetState> SheetRegistry::insertSheet(const QString &name, int tab, int index,
                                              const std::function<void(const uno::Reference<sheet::XSpreadsheets> &)> &make)
{
    const int hiddenBefore = m_neighbours.hiddenSheetsBefore(tab);
    auto made = guarded(m_context.session(), [&]() -> uno::Reference<sheet::XSpreadsheet> {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        make(sheets);
        return uno::Reference<sheet::XSpreadsheet>(sheets->getByName(ou(name)), uno::UNO_QUERY_THROW);
    }, uno::Reference<sheet::XSpreadsheet>());
    m_neighbours.sheetsChanged();
    if (!made.is()) {
        m_order.forget(); // the office's order is read again when next needed
        return nullptr;
    }
    auto state = stateOf(made);
    m_order.inserted(state->identity.get(), tab - hiddenBefore, index);
    return state;
}

bool SheetRegistry::moveSheet(SheetState &sheet, SheetState &before)
{
    if (indexOf(sheet) < 0 || indexOf(before) < 0)
        return false;
    m_order.movedBefore(sheet.identity.get(), before.identity.get());
    return !m_context.unbuffered() || alignSheetOrder();
}

// The office gets the caller's order before anything that shows it.
bool SheetRegistry::alignSheetOrder()
{
    // The office's order is then the one the orders hold.
    if (!m_neighbours.bringSheetsIn())
        return false;
    if (!m_order.known() || m_order.inStep())
        return true;
    const QVector<SheetOrder::Move> moves = m_order.alignOffice();
    const bool ok = guarded(m_context.session(), [&]() -> bool {
        uno::Reference<sheet::XSpreadsheets> sheets = m_context.document()->getSheets();
        for (const SheetOrder::Move &move : moves) {
            const auto state = m_states.value(move.key);
            uno::Reference<container::XNamed> named(state->sheet, uno::UNO_QUERY_THROW);
            sheets->moveByName(named->getName(), static_cast<sal_Int16>(move.to));
        }
        return true;
    }, false);
    if (!ok)
        m_order.forget();
    m_neighbours.sheetsChanged();
    return ok;
}

bool SheetRegistry::renameSheet(SheetState &state, const QString &name)
{
    const bool renamed = guarded(m_context.session(), [&]() -> bool {
        uno::Reference<container::XNamed> named(state.sheet, uno::UNO_QUERY_THROW);
        named->setName(ou(name));
        return true;
    }, false);
    if (renamed && state.aside.document.is())
        state.aside.name = name;
    return renamed;
}

QString SheetRegistry::nameOf(const SheetState &state)
{
    return guarded(m_context.session(), [&]() -> QString {
        uno::Reference<container::XNamed> named(state.sheet, uno::UNO_QUERY_THROW);
        return qs(named->getName());
    }, QString());
}

// Another office sheet takes over a state: the handles that reach the state
// reach that sheet from now on.
void SheetRegistry::replaceSheet(SheetState &state, const uno::Reference<sheet::XSpreadsheet> &sheet)
{
    const uno::Reference<uno::XInterface> identity(sheet, uno::UNO_QUERY);
    const void *oldKey = state.identity.get();
    const std::shared_ptr<SheetState> self = m_states.value(oldKey);
    m_states.remove(oldKey);
    m_states.remove(identity.get()); // a part's own state, when a part becomes the copy
    m_order.replaced(oldKey, identity.get());
    state.sheet = sheet;
    state.identity = identity;
    state.forgetReads();
    if (self)
        m_states.insert(identity.get(), self);
}

uno::Reference<beans::XPropertySet> SheetRegistry::propertiesOf(SheetState &state, const QList<SheetArea> &areas)
{
    if (areas.size() == 1) {
        const SheetArea &a = areas.first();
        return uno::Reference<beans::XPropertySet>(
            state.sheet->getCellRangeByPosition(a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), uno::UNO_QUERY_THROW);
    }
    uno::Reference<lang::XMultiServiceFactory> factory(m_context.documentOf(state), uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XSheetCellRangeContainer> container(
        factory->createInstance("com.sun.star.sheet.SheetCellRanges"), uno::UNO_QUERY_THROW);
    const sal_Int16 tab = static_cast<sal_Int16>(tabOf(state));
    for (const SheetArea &a : areas)
        container->addRangeAddress(table::CellRangeAddress(tab, a.left - 1, a.top - 1, a.right - 1, a.bottom - 1), false);
    return uno::Reference<beans::XPropertySet>(container, uno::UNO_QUERY_THROW);
}
