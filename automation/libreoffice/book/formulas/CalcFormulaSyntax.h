#pragma once

#include <QString>

#include <sal/types.h>

// Excel's formula text (English names, "," between arguments, Sheet!A1) in
// the syntax that Calc's cell API takes (";" between arguments,
// $'Sheet'.A1). String literals pass unchanged.
QString excelToCalcFormula(const QString &excel);

// Whether an error code the office gives a formula cell means it could not
// read the formula text (as opposed to an error the formula computes, such
// as #N/A).
bool isSyntaxError(sal_Int32 error);

// The office's reference style that reads both "Sheet.A1" and "Sheet!A1".
constexpr sal_Int16 kCalcOrExcelA1 = 7;
