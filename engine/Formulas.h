#pragma once

#include <QString>
#include <QStringList>

// Where a block of cells stands: its top-left cell and its size.
struct BlockGeometry
{
    int topRow = 0;
    int leftColumn = 0;
    int rowCount = 0;
    int columnCount = 0;

    int lastRow() const { return topRow + rowCount - 1; }
    int lastColumn() const { return leftColumn + columnCount - 1; }
};

// A category sheet's copy of the editable range: the row number after the
// last letter replaced by that sheet's last row (B3:F20 with 57 gives
// B3:F57). Dollar signs are dropped first, so $B$3:$F$20 is read as B3:F20.
QString formulaRange(const QString &allowEditRange, int lastRow);

// The lookup a category sheet makes into the summary sheet:
// VLOOKUP($A3,Summary!$A$3:$F$20,COLUMN()-COLUMN($A3)+1,0).
QString lookupExpression(const QString &summaryName, int lookupColumn, const BlockGeometry &allowed);

// The formula of a category sheet cell: the lookup, or the empty text when
// the lookup finds an empty value.
QString linkFormula(const QString &summaryName, int lookupColumn, const BlockGeometry &allowed);

// The argument of a summary row's INDIRECT: the sheet named in the category
// cell `cell` ("$A2") joined to `address` ("R2C2:R100C8"). Plain,
// $A2&"!R2C2:R100C8", when every category is its own sheet name and needs no
// quotes. Otherwise the name goes in apostrophes, with the forbidden
// characters found among the categories removed and apostrophes doubled
// when any category holds one: "'"&SUBSTITUTE($A2,"/","")&"'!R2C2:R100C8".
QString indirectArgument(const QString &cell, const QString &address, const QStringList &categoryNames);

// The lookup a summary cell of `row` makes into the category sheet named in
// that row's category cell, its reference text in R1C1 form, which every
// application reads alike:
// VLOOKUP($B2,INDIRECT($A2&"!R2C2:R100C8",FALSE),COLUMN()-COLUMN($B2)+1,0).
QString summaryLookup(int lookupColumn, int classifyColumn, int row, const BlockGeometry &block,
                      const QStringList &categoryNames);

// The same lookup into one sheet named in the formula, for a category whose
// sheet name cannot be read from its cell:
// VLOOKUP($B2,'East (2)'!$B$2:$H$100,COLUMN()-COLUMN($B2)+1,0).
QString directSummaryLookup(int lookupColumn, int row, const BlockGeometry &block, const QString &sheetName);

// The formulas of a summary cell: the lookup, or the empty text when the
// lookup finds an empty value.
QString summaryFormula(int lookupColumn, int classifyColumn, int row, const BlockGeometry &block,
                       const QStringList &categoryNames);
QString directSummaryFormula(int lookupColumn, int row, const BlockGeometry &block, const QString &sheetName);
