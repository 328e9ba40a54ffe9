#pragma once

#include "SheetArea.h"

#include <QHash>
#include <QMap>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <memory>
#include <optional>

// What the backend knows about one sheet beyond the office's own state, by
// concern: a bulk copy of its values and the reads it answers, where the
// sheet came from, where it is kept while a split runs, the filter it
// emulates, and formula writes that wait to be sent together.
struct SheetState
{
    css::uno::Reference<css::sheet::XSpreadsheet> sheet;
    css::uno::Reference<css::uno::XInterface> identity;

    // Values of the used area, read in blocks of rows with one call each;
    // dropped on every write.
    bool valuesValid = false;
    bool empty = true;
    SheetArea valueArea;
    QHash<int, QVector<QVariant>> valueBlocks; // block index -> row-major values

    // Counts the changes to the sheet's cells, rows and formats.
    quint64 version = 0;
    // The last column read alone, and whether it holds formulas; its values
    // stand until the sheet's version changes when it holds none.
    struct ColumnRead
    {
        int column = 0;
        int top = 0;
        int bottom = 0;
        quint64 version = 0;
        bool hasFormulas = false;
        QVector<QVariant> values; // empty when it holds formulas
    };
    std::optional<ColumnRead> lastColumnRead;
    // The last current region found, the same until the version changes.
    struct RegionRead
    {
        int row = 0;
        int column = 0;
        quint64 version = 0;
        SheetArea region;
    };
    std::optional<RegionRead> lastRegion;
    // For changes the version does not count (rows deleted, the sheet replaced).
    void forgetReads()
    {
        lastColumnRead.reset();
        lastRegion.reset();
    }
    // Where the sheet came from: the sheet it is a copy of, and both sheets'
    // versions then.
    struct CopyLineage
    {
        std::weak_ptr<SheetState> source;
        quint64 sourceVersion = 0;
        quint64 version = 0;
        // Set while this copy is an empty stand-in in the office, its cells
        // still those of its unchanged source (see GroupedSource.cpp).
        bool deferred = false;
    } lineage;

    // Formula cells of rows copied in from a row template, copied in later:
    // the rows `runs` of `from`, columns `columns`, one after the other from
    // row `top` (see GroupedSource::copyHeldFormulasInto). Until then those cells
    // are empty.
    struct HeldFormulas
    {
        std::weak_ptr<SheetState> from;
        quint64 fromVersion = 0;
        QList<SheetArea> runs;
        QList<SheetArea> columns; // rows unused
        int top = 0;
        // The cells of the copy they go to.
        QList<SheetArea> areas() const
        {
            int count = 0;
            for (const SheetArea &run : runs)
                count += run.rows();
            QList<SheetArea> cells;
            for (const SheetArea &c : columns)
                cells << SheetArea{top, c.left, top + count - 1, c.right};
            return cells;
        }
    };
    std::optional<HeldFormulas> held;

    // The hidden document that holds this copy while a split runs (see
    // SideDocuments), and its name there; null when it is in the workbook.
    struct Aside
    {
        css::uno::Reference<css::sheet::XSpreadsheetDocument> document;
        QString name;
    } aside;

    // The emulated AutoFilter: data rows hidden by "<>value".
    struct FilterEmulation
    {
        bool active = false;
        int column = 0;
        int firstRow = 0;
        int lastRow = 0;
        QVector<bool> hiddenRows; // index row - firstRow
    } filter;

    // Formulas that wait to be sent together (see FormulaBatch).
    struct WaitingFormulas
    {
        // Written with SetFormula / SetFormulaR1C1, by (row, column).
        QMap<QPair<int, int>, QString> r1c1;
        // A Protect that waits for them (see FormulaBatch::protectSheet).
        std::optional<QString> protection;
        QHash<QPair<int, int>, QString> excel; // A1 text as written
    } formulas;

    bool isRowHidden(int row) const
    {
        return filter.active && row >= filter.firstRow && row <= filter.lastRow
            && filter.hiddenRows.value(row - filter.firstRow);
    }
};

// Whether `copy` is a copy of `source` and neither changed since.
inline bool isUnchangedCopy(const SheetState &copy, const SheetState &source)
{
    return copy.lineage.source.lock().get() == &source && copy.lineage.version == copy.version
           && copy.lineage.sourceVersion == source.version;
}

// The sheet `copy` was copied from, when neither has changed since and both
// hold the same cells; null for any other sheet.
inline SheetState *unchangedSourceOf(const SheetState &copy)
{
    const std::shared_ptr<SheetState> source = copy.lineage.source.lock();
    return source && isUnchangedCopy(copy, *source) ? source.get() : nullptr;
}
