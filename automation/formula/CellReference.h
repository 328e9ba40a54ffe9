#pragma once

#include <QString>

#include <optional>

// Size of an Excel worksheet (since Excel 2007).
constexpr int kSheetRows = 1048576;
constexpr int kSheetColumns = 16384; // column XFD

// 1-based number of column letters ("A" 1, "AA" 27, "XFD" 16384), case-insensitive;
// 0 when the text is not the letters of a column of the sheet.
int a1ColumnNumber(const QString &letters);

// Letters of a 1-based column number; empty when outside 1..kSheetColumns.
QString a1ColumnName(int column);

// One row or column coordinate of a reference. For an A1 reference, and for an
// absolute R1C1 one, value is the 1-based row or column number; for a relative
// R1C1 coordinate it is the offset from the cell that holds the formula.
struct ReferenceAxis {
    bool absolute = false;
    int value = 0;
};

// One end of a reference: a cell, a whole column or a whole row.
struct ReferencePart {
    enum Shape { Cell, WholeColumn, WholeRow };
    Shape shape = Cell;
    ReferenceAxis row;    // unused for WholeColumn
    ReferenceAxis column; // unused for WholeRow
};

// "B3", "$A$3", "$B", "12", "$5" (lower-case letters too). Whole columns and
// rows come back as such; anything beyond XFD or row 1048576 is no reference.
std::optional<ReferencePart> parseA1Part(const QString &text);
QString a1PartText(const ReferencePart &part);

// "RC", "R[-1]C[2]", "R3C5", "R", "C[1]", "R3" (r and c in either case).
std::optional<ReferencePart> parseR1C1Part(const QString &text);
QString r1c1PartText(const ReferencePart &part);
