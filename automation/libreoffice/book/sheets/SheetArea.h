#pragma once

#include "CellArea.h"
#include "CellReference.h" // the sheet's limits, with the areas

#include <QList>
#include <QString>

// The backend's rectangle of cells: the formula library's, 1-based and
// inclusive.
using SheetArea = CellArea;

// "B3:F20", "A2:B9,D2:E57", "$C$5", "b:d", "3:5" as areas; empty when the
// text names no range.
QList<SheetArea> parseAreas(const QString &text);

// "B3:F20 D2:E5"-style text of areas, with the given separator.
QString areasText(const QList<SheetArea> &areas, const QString &separator = QStringLiteral(","));
