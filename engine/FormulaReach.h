#pragma once

#include <QString>

// How far a formula reads, seen from the cell that holds it: its own row of
// its own sheet, other cells of its own sheet, or beyond the sheet (other
// sheets, other workbooks and their functions, names, or cells only known
// when calculated, as with INDIRECT and OFFSET).
enum class FormulaReach { OwnRow, OwnSheet, Beyond };

// The reach of a formula in R1C1 notation held by a cell of `row` on the
// sheet named `sheetName`. A reference that names its own sheet counts as
// one without a sheet. Table references with "@" or "#This Row" read their
// own row; other table references read the sheet.
FormulaReach formulaReach(const QString &formulaR1C1, int row, const QString &sheetName);
