#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

// A copy of a sheet that holds tables gets a table of its own over its rows
// for each of them, as a copy made in Excel does, and its formulas name that
// table: a reference such as Table1[[#This Row],[Qty]] left naming the
// original would compute from the original sheet's rows. The office copies a
// table with its sheet, but not in every way a copy is made, and leaves the
// copy's formulas naming the original.
//
// `copies` pairs each copied sheet's name with the name of the sheet it is a
// copy of. Protected copies are opened with `passwords` (see editUnlocked).
// Returns how many formula cells were written.
int giveCopiesTheirTables(const css::uno::Reference<css::sheet::XSpreadsheetDocument> &document,
                          const QList<QPair<QString, QString>> &copies, const QStringList &passwords);
