#pragma once

#include "SheetArea.h"

#include <QList>

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

// Copies of a sheet that each keep a few rows of a block, made by copying
// those rows into a copy of the sheet without the block, for sheets whose
// cells are formulas: copying the whole sheet and deleting most of its rows
// again costs the office time for every formula the copy carries, and more
// the more sheets the workbook already holds. Each function throws as UNO
// does.
namespace RowTemplate {

// Whether the rows `top` to `bottom` (1-based) of `sheet`, columns 1 to
// `right`, may be given to copies that way with the result deleting the
// other rows gives: formulas lie only in the block and each copies as it
// moves (see RowCopyFormulas.h); nothing but cells follows the rows (see
// SideDocuments::holdsOnlyCells); no row is hidden and no cells merged; no
// print range or sheet-local name can name the block. `readsByText` tells
// whether one of those formulas uses INDIRECT (see readsSheetsByText).
bool fits(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
          const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, int top, int bottom, int right,
          bool &readsByText);

// Copies the runs of rows `runs` (1-based, ascending) of `source`, columns
// `columns` (runs of columns; their rows unused), into `target` one after the
// other from row `top`, and gives those rows the height the source's row
// `top` has. The rows go in as new rows there: the template lost the whole
// block, a copy that loses all but these rows keeps that many more of the
// sheet's own rows at its bottom, where the office puts rows of its own
// standard height.
void copyRowsIn(const css::uno::Reference<css::sheet::XSpreadsheet> &source,
                const css::uno::Reference<css::sheet::XSpreadsheet> &target, const QList<SheetArea> &runs, int top,
                const QList<SheetArea> &columns);
// The cells alone, into rows copyRowsIn made: the rest of the columns.
void copyCellsIn(const css::uno::Reference<css::sheet::XSpreadsheet> &source,
                 const css::uno::Reference<css::sheet::XSpreadsheet> &target, const QList<SheetArea> &runs, int top,
                 const QList<SheetArea> &columns);

// The columns of 1 to `right` that hold a formula in rows `top` to `bottom`,
// as runs of adjacent columns spanning those rows.
QList<SheetArea> formulaColumns(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, int top, int bottom,
                                int right);

// Whether a formula of a sheet other than `except`, or a name of the
// workbook, finds cells by a text that may name a sheet (INDIRECT): its value
// may then depend on any sheet.
bool readsSheetsByText(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
                       const css::uno::Reference<css::sheet::XSpreadsheet> &except);

} // namespace RowTemplate
