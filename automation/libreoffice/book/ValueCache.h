#pragma once

#include "SheetArea.h"
#include "SheetState.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

#include <com/sun/star/sheet/XSpreadsheet.hpp>

class BookContext;
class SheetRegistry;

// The workbook's value cache: used areas and values read in blocks of rows,
// dropped on every write, and the recalculation that comes before a read.
// Its reads take the sheet whose cells they see: a stand-in's source (see
// SheetUseRules).
class ValueCache
{
public:
    ValueCache(BookContext &context, SheetRegistry &sheets) : m_context(context), m_sheets(sheets) {}

    QVariant valueAt(SheetState &state, int row, int column);
    SheetArea usedArea(SheetState &state);
    // A cell's value as the office hands it over: a text (none when empty),
    // a number or a truth value.
    static QVariant valueOf(const css::uno::Any &any);
    // The sheet's used area as the office tells it, uncached; throws as UNO does.
    static SheetArea readUsedArea(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet);
    // Excel's current region: the block around the cell bounded by empty rows
    // and columns.
    SheetArea currentRegion(SheetState &state, int row, int column);
    // One column's values, from `top` to `bottom`.
    QVector<QVariant> columnValues(SheetState &state, int column, int top, int bottom);
    // The same when the column holds no formulas, read once a version;
    // nothing when it holds some (their results may depend on the sheet
    // they are on) or the office cannot tell.
    std::optional<QVector<QVariant>> formulaFreeColumn(SheetState &state, int column, int top, int bottom);
    // The formula of a cell as Excel writes it (A1), its constant as text, or
    // a null string when it cannot be read.
    QString excelFormulaAt(SheetState &state, int row, int column);
    // The same for a block, rows of cells, each formula in R1C1 notation;
    // empty cells give empty texts. Nothing when the office cannot tell.
    std::optional<QVector<QStringList>> r1c1FormulasOf(SheetState &state, const SheetArea &area);

    // Drops every sheet's cached values; called after every change.
    void invalidateValues();
    void calculateIfNeeded();

private:
    void loadUsedArea(SheetState &state);
    const QVector<QVariant> *valueBlock(SheetState &state, int block);
    const SheetState::ColumnRead *lastColumnRead(const SheetState &state, int column, int top, int bottom) const;
    QVector<QVariant> readColumn(SheetState &state, int column, int top, int bottom);

    BookContext &m_context;
    SheetRegistry &m_sheets;
    // Set by the first change, once automatic calculation is off. Until
    // then the office computes a formula when it is read, and only the ones
    // read: a workbook full of lookups (an earlier result) is not computed
    // for reads of its other cells.
    bool m_needsCalculation = false;
    // Automatic calculation stays on until the first change: a formula saved
    // without its result (by a script, say) is computed when it is read, and
    // one with a stored result keeps it (an external link's, too). With it
    // off, only a full calculation would reach the first kind, and it would
    // lose the second.
    bool m_automaticCalculation = true;
};
