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

// What the registry asks of the parts that keep sheets elsewhere, and tells
// them. The workbook answers for those parts (see Book), so the registry
// depends on none of them.
class SheetNeighbours
{
public:
    // The office's sheets that are none of the caller's: a grouped source's parts.
    virtual QStringList hiddenSheetNames() = 0;
    virtual bool isHiddenSheet(const SheetState &state) = 0;
    virtual int hiddenSheetsBefore(int tab) = 0;
    // Whether any of the caller's sheets is kept in a side document.
    virtual bool anySheetAside() = 0;
    // Every stand-in made a copy, the grouped source gone and the copies
    // made aside brought in; false when they could not be.
    virtual bool bringSheetsIn() = 0;
    // The sheets changed: cached values go.
    virtual void sheetsChanged() = 0;

protected:
    ~SheetNeighbours() = default;
};

// The workbook's sheets: one state for each office sheet, whatever handle
// reaches it, and the caller's order of them, which may differ from the
// office's until the file is saved (see SheetOrder).
class SheetRegistry
{
public:
    SheetRegistry(BookContext &context, SheetNeighbours &neighbours) : m_context(context), m_neighbours(neighbours) {}

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
    SheetNeighbours &m_neighbours;
    QStringList m_sourceSheetNames; // as loaded
    QHash<const void *, std::shared_ptr<SheetState>> m_states;
    SheetOrder m_order;
};
