#pragma once

#include <QList>

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/table/CellAddress.hpp>

// Comments (the office's notes) of a block of cells, kept while its cells
// get new formulas: the office takes a cell's comment away when a formula
// is entered into it or filled over it.
struct CellNote
{
    css::table::CellAddress at;
    rtl::OUString text;
    bool visible = false;
};
using CellNotes = QList<CellNote>;

// The comments of the cells from (left, top) to (right, bottom), 0-based.
CellNotes keepNotes(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, int left, int top, int right,
                    int bottom);

// Each kept comment back on its cell, shown where it was shown. The text
// goes back as plain text: the package's finishing gives an .xlsx comment
// its runs and author from the source.
void restoreNotes(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet, const CellNotes &notes);
