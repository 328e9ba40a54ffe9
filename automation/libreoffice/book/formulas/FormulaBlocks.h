#pragma once

#include <QString>

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

#include <functional>

// Enters the formulas of one block of formula cells again, each as `change`
// gives it (the office's own formula text in, the text to enter out); with
// no `change`, each as it is. One call for the block, or cell by cell around
// the cells of an array formula, which stay as they are. A block whose
// formulas `change` leaves as they are is not written. Returns how many
// cells were written.
int rewriteFormulaBlock(const css::uno::Reference<css::sheet::XSpreadsheet> &sheet,
                        const css::table::CellRangeAddress &block,
                        const std::function<QString(const QString &)> &change = {});
