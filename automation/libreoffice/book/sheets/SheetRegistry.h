#pragma once

#include "SheetArea.h"
#include "SheetOrder.h"
#include "SheetState.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>

#include <functional>
#include <memory>

class BookContext;
class GroupedSource;
class ValueCache;
class BookSideCopies;

// The workbook's sheets: one state for each office sheet, whatever handle
// reaches it, and the caller's order of them, which may differ from the
// office's until the file is saved (see SheetOrder).
class SheetRegistry
{
public:
    // The grouped source and the copies made aside are made after it.
    SheetRegistry(BookContext &context, GroupedSource &grouped, ValueCache &values, BookSideCopies &sideCopies)
        : m_context(context)
        , m_grouped(grouped)
        , m_values(values)
        , m_sideCopies(sideCopies)
    {
    }

    // Notes the sheets the workbook was loaded with.
    void noteSourceSheets();
    const QStringList &sourceSheetNames() const { return m_sourceSheetNames; }

    // The state of a sheet, shared by every handle that reaches it.
    std::shared_ptr<SheetState> stateOf(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);
    std::shared_ptr<SheetState> sheetAt(int index); // 0-based; null when out of range
    int sheetCount();
    int indexOf(const SheetState &state); // 0-based, in the caller's order; -1 when unknown
    QStringList sheetNames(); // in the office's order, one call
    int tabOf(const SheetState &state); // the office's own index, for cell addresses
    // Cell properties of the areas (one range, or a range container).
    css::uno::Reference<css::beans::XPropertySet> propertiesOf(SheetState &state, const QList<SheetArea> &areas);
    QString nameOf(const SheetState &state);
    bool renameSheet(SheetState &state, const QString &name);
    // Removes a sheet of the workbook as loaded, before any copy is made: it
    // is then no sheet of the source's either.
    bool removeSheet(SheetState &state);

    // The office's index right after the last of the workbook's own sheets
    // (grouped parts counted); -1 when the office cannot say.
    int tabAfterSourceSheets();
    // A sheet the office makes at `tab`, named `name`, noted at `index` in
    // the caller's order.
    std::shared_ptr<SheetState> insertSheet(
        const QString &name, int tab, int index,
        const std::function<void(const css::uno::Reference<css::sheet::XSpreadsheets> &)> &make);
    bool moveSheet(SheetState &sheet, SheetState &before);
    // The office gets the caller's order before anything that shows it.
    bool alignSheetOrder();
    // Another office sheet takes over a state.
    void replaceSheet(SheetState &state, const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);

    QHash<const void *, std::shared_ptr<SheetState>> &states() { return m_states; }
    SheetOrder &order() { return m_order; }
    void clear() { m_states.clear(); }

    // Reads the caller's order from the office, once; false when it cannot.
    bool knowOrder();

private:

    BookContext &m_context;
    GroupedSource &m_grouped;
    ValueCache &m_values;
    BookSideCopies &m_sideCopies;
    QStringList m_sourceSheetNames; // as loaded
    QHash<const void *, std::shared_ptr<SheetState>> m_states;
    SheetOrder m_order;
};
