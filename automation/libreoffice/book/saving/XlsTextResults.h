#pragma once

#include <QStringList>

#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

// The .xls export stores a formula's result by the type the office gave the
// formula when it was entered, and a formula that came in from a file keeps
// the number type whatever it computes: its text result is stored as 0. A
// reader of stored values, or an application that does not recalculate on
// opening, would show 0 where the cell says 备3. Entering those formulas
// again, as they are, gives them the type of their result.
//
// A protected sheet is opened with the first of `passwords` that lifts its
// protection and protected again with it; a sheet none of them opens keeps
// its formulas as they are (logged). Array formulas stay as they are.
// Returns how many formula cells were entered again.
int reenterTextFormulas(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
                        const QStringList &passwords);
