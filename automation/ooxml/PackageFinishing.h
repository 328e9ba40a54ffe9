#pragma once

#include "FormulaResults.h"
#include "SourceCarryOver.h"

#include <QList>
#include <QString>

// Finishing a workbook package the office has saved: what it cannot write itself is
// added to the file before it gets its final name.
namespace ooxml {

// An editable range that stays open under sheet protection, without a password of its own.
struct ProtectedRange {
    QString sheetName;
    QString sqref;     // as typed: "B3:F20", "A2:B9,D2:E9", "$B$3:$F$20"
    QString name = QStringLiteral("allowEditRange1");
};

struct PackageFinishing {
    bool lockStructure = false;
    QString structurePassword;        // empty: structure locked without a password
    QList<ProtectedRange> protectedRanges;
    QString activeSheetName;          // the sheet the workbook opens on; empty: as saved
    bool encrypt = false;
    QString openPassword;             // empty: nothing to encrypt with, the file stays open
    // The package the result was loaded from, and where each of the result's
    // sheets came from: what the office lost of them is taken from there.
    QString sourcePackage;
    QList<SheetOrigin> origins;
    // Results of formulas stored uncalculated.
    QList<SheetFormulaResults> formulaResults;
};

// True when `what` asks for no change at all.
bool isNothingToDo(const PackageFinishing &what);

// Applies everything to the xlsx/xlsm package at `path`, replacing that file. The new file
// is built beside it and only renamed over it when complete: on failure `path` is left as
// it was, the result is false and `error` says why.
bool finishPackage(const QString &path, const PackageFinishing &what, QString *error = nullptr);

} // namespace ooxml
