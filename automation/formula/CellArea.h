#pragma once

#include <QList>
#include <QString>

// A rectangular block of a sheet, 1-based and inclusive. Whole columns run
// over all rows (1 to 1048576), whole rows over all columns (A to XFD).
struct CellArea {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    int rowCount() const { return bottom - top + 1; }
    int columnCount() const { return right - left + 1; }
    int rows() const { return rowCount(); }
    int columns() const { return columnCount(); }
    bool contains(int row, int column) const
    {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool intersects(const CellArea &other) const
    {
        return top <= other.bottom && other.top <= bottom && left <= other.right && other.left <= right;
    }

    bool operator==(const CellArea &other) const
    {
        return top == other.top && left == other.left && bottom == other.bottom
            && right == other.right;
    }
    bool operator!=(const CellArea &other) const { return !(*this == other); }
};

// Reads a range as a user types it: "B3:F20", "$B$3:$F$20", "b3:f20", "C5",
// "B:D", "3:5", or several areas joined by "," ("A2:B9,D2:E57"). Blanks
// around the text and around each area are ignored; corners may come in any
// order. Returns the areas, or an empty list when the text names no range on
// the sheet (empty text, names, "B0", "A1:", "XFE1", a sheet prefix, ...).
QList<CellArea> parseA1Areas(const QString &text);

bool isValidA1Range(const QString &text);

// The A1 text of an area without $ markers: "C5", "B3:F20", "B:D", "3:5".
// A block spanning every column is written as rows, so the whole sheet is
// "1:1048576". Empty for an area that does not lie on the sheet.
QString a1AreaText(const CellArea &area);
