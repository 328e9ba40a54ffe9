#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

// Results written into formula cells the office stored without calculating
// them: the job worked them out itself (see LookupResults), and a reader that
// trusts stored results shows these.
namespace ooxml {

struct FormulaResult {
    int row = 0;       // 1-based
    int column = 0;    // 1-based
    QVariant value;    // a number (double) or a text
    // When set, the cell holds a stand-in value (or this very formula, as the
    // office printed it) and gets this formula, A1 text without "=", too.
    QString formula;
};

struct SheetFormulaResults {
    QString sheetName;
    QVector<FormulaResult> cells; // by row, then column
};

// The worksheet part with each of `cells` given its result. Every one of them
// must be a formula cell of the part, each found once, or a cell given its
// formula (a stand-in value, or that formula printed by the office exactly
// as it is to be written); otherwise nothing is written and `error` says
// which was not. A stand-in's formula element starts as the last printed one
// before it did; there must be one.
bool writeFormulaResults(const QByteArray &sheetXml, const QVector<FormulaResult> &cells, QByteArray *out,
                         QString *error);

} // namespace ooxml
