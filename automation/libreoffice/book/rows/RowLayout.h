#pragma once

#include <QString>

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

// What a row carries besides its cells, which moving or sorting cells leaves
// where it was: its height, a page break before it, its outline level. Rows
// may be moved or sorted only where none of these differ. Each throws as UNO
// does.

// The runs of rows from `top` to `bottom` (1-based) that are not hidden, as
// ranges of the first column (0-based rows).
css::uno::Sequence<css::table::CellRangeAddress> shownRowRuns(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet,
                                                              int top, int bottom);

// Whether the shown rows `top` to `bottom` (1-based) of `sheet` are all as
// high as the first of them. Checked a few dozen rows at a time, by the
// height the office gives each stretch: a difference of a tenth of a point
// or more shows. Hidden rows are not weighed.
bool shownRowsEquallyHigh(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, int top, int bottom);

// Whether a page break was set by hand before one of the rows `top` to
// `bottom`, or the row after them.
bool holdsManualRowBreaks(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, int top, int bottom);

// Whether rows `top` to `bottom` of the sheet `name` of `document` lie in an
// outline group, open or closed. The office tells no row's level, so a copy of
// the sheet is shown with every group open and then closed, looked at and
// removed again: the document is as it was after.
bool holdsRowOutline(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document, const QString &name,
                     int top, int bottom);
