#pragma once

#include <QString>

// A1 letters of a 1-based column number: 1 A, 26 Z, 27 AA, 702 ZZ, 703 AAA.
// Empty for numbers below 1.
QString columnLetters(int column);

// The inverse: 0 when the text is not a run of letters.
int columnNumber(const QString &letters);
