#pragma once

#include "GroupedSource.h"
#include "SheetRegistry.h"
#include "SheetState.h"
#include "SideDocuments.h"
#include "ValueCache.h"

#include <QString>

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <memory>
#include <optional>

class BookContext;
class OfficeSession;

// Copies of a summary made in side documents while it is split, and their
// way into the workbook (see BookSideCopies.cpp).
class BookSideCopies
{
public:
    // The sheets, the grouped source and the cache are made before it.
    BookSideCopies(BookContext &context, SheetRegistry &sheets, GroupedSource &grouped, ValueCache &values);

    // Called when a fresh copy has just lost its other categories' rows.
    void considerSideCopies(SheetState &copy);
    // A copy of `source` named `name` made aside and noted at `index` in the
    // caller's order; null when copies of it are not made aside.
    std::shared_ptr<SheetState> sideCopy(SheetState &source, const QString &name, int index);
    // Every copy made aside into the workbook, in the caller's order.
    bool bringInSideCopies();
    // Whether side documents are open.
    bool any() const { return bool(m_side); }
    void close() { m_side.reset(); }

private:
    void sendAside(SheetState &copy, SheetState &source);

    // The other parts of the workbook, by the names BookSideCopies.cpp uses.
    bool hasGroupedSourceFor(const SheetState &source) const { return m_grouped.hasGroupedSourceFor(source); }
    bool isGroupedPart(const SheetState &state) const { return m_grouped.isGroupedPart(state); }
    void dropGroupedSource() { m_grouped.dropGroupedSource(); }
    int sheetCount() { return m_sheets.sheetCount(); }
    QString nameOf(const SheetState &state) { return m_sheets.nameOf(state); }
    std::shared_ptr<SheetState> stateOf(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet)
    {
        return m_sheets.stateOf(sheet);
    }
    void replaceSheet(SheetState &state, const css::uno::Reference<css::sheet::XSpreadsheet> &sheet)
    {
        m_sheets.replaceSheet(state, sheet);
    }
    void invalidateValues() { m_values.invalidateValues(); }

    OfficeSession &m_session;
    const css::uno::Reference<css::sheet::XSpreadsheetDocument> &m_document;
    const QString &m_sourcePath;
    const bool m_unbuffered;
    SheetRegistry &m_sheets;
    GroupedSource &m_grouped;
    ValueCache &m_values;
    QHash<const void *, std::shared_ptr<SheetState>> &m_states;
    SheetOrder &m_order;

    // The sheet whose copies are made in side documents, as it was then.
    std::weak_ptr<SheetState> m_sideSource;
    quint64 m_sideSourceVersion = 0;
    std::optional<bool> m_takesSheets; // see SideDocuments::workbookTakesSheets
    // The sheet, as it was then, whose copies cannot be carried aside.
    std::weak_ptr<SheetState> m_keptIn;
    quint64 m_keptInVersion = 0;
    std::unique_ptr<SideDocuments> m_side;
    // SHEETSPLICER_SIDE_DOCUMENTS=0: every copy is made in the workbook itself;
    // =always: copies go aside from the first one on, however few sheets the
    // workbook holds and whatever its format (both to compare the two ways).
    // The sheets the workbook holds before copies go aside; -1: never.
    int m_sideFromSheets = SideDocuments::kWorkbookSheets;
};
