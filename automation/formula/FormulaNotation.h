#pragma once

#include <QString>

#include <memory>

// Conversions between the A1 and R1C1 forms of an Excel formula (English
// function names, "," as argument separator) for the cell at 1-based (row,
// column). Only references change: function names, defined names, strings,
// error values, array constants and sheet prefixes stay as written.
//
// Text that does not start with "=" is a constant and comes back unchanged,
// as does any text when (row, column) lies outside the sheet.

// The formula as Excel shows it in R1C1 notation: $A3 at B3 is RC1,
// Summary!$A$3:$F$20 is Summary!R3C1:R20C6, B:B at A1 is C[1].
QString a1ToR1C1(const QString &formula, int row, int column);

// The formula an R1C1 text becomes when written into the cell: RC1 at D5 is
// $A5, R[1]C[-1] at (5, 4) is C6. A reference that falls outside the sheet
// turns into #REF!, keeping its sheet prefix.
QString r1c1ToA1(const QString &formula, int row, int column);

// An R1C1 formula read once, for its A1 text at many cells (as r1c1ToA1).
class R1C1Formula
{
public:
    explicit R1C1Formula(const QString &formula);
    QString a1At(int row, int column) const;
    // Whether the text changes from column to column: a reference whose
    // column counts from the cell's.
    bool readsColumnsRelatively() const;

private:
    struct Read;
    QString m_formula;
    std::shared_ptr<const Read> m_read; // none for a text that is no formula
};
