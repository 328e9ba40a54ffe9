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
};

struct SheetFormulaResults {
    QString sheetName;
    QVector<FormulaResult> cells; // by row, then column
};

// The worksheet part with each of `cells` given its result. Every one of them
// must be a formula cell of the part, each found once; otherwise nothing is
// written and `error` says which was not.
bool writeFormulaResults(const QByteArray &sheetXml, const QVector<FormulaResult> &cells, QByteArray *out,
                         QString *error);

} // namespace ooxml
