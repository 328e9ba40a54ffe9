#pragma once

#include <QString>

// Excel's formula text (English names, "," between arguments, Sheet!A1) in
// the syntax that Calc's cell API takes (";" between arguments,
// $'Sheet'.A1). String literals pass unchanged.
QString excelToCalcFormula(const QString &excel);
