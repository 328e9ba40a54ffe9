#pragma once

#include "CellReference.h"

#include <QList>
#include <QString>

// A rectangle of cells, 1-based and inclusive.
struct SheetArea
{
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    int rows() const { return bottom - top + 1; }
    int columns() const { return right - left + 1; }
    bool contains(int row, int column) const
    {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool operator==(const SheetArea &o) const
    {
        return top == o.top && left == o.left && bottom == o.bottom && right == o.right;
    }
};

// "B3:F20", "A2:B9,D2:E57", "$C$5", "b:d", "3:5" as areas; empty when the
// text names no range.
QList<SheetArea> parseAreas(const QString &text);

// "B3:F20 D2:E5"-style text of areas, with the given separator.
QString areasText(const QList<SheetArea> &areas, const QString &separator = QStringLiteral(","));
