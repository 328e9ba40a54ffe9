#pragma once

#include <QList>
#include <QString>

// An operand split at its range colons: 'My Sheet'!$A$1:$B$2 is the pieces
// {"'My Sheet'!", "$A$1"} and {"", "$B$2"}. The first piece carries the sheet
// prefix of the whole operand, 3-D prefixes (Jan:Mar!A1) included; a later
// piece keeps a prefix of its own (Sheet1!A1:Sheet1!B2). Quoted sheet names
// and bracketed parts ([Book.xlsx], R[-1]) are never split.
struct OperandPiece {
    QString prefix; // up to and including "!", or empty
    QString body;
};

QList<OperandPiece> operandPieces(const QString &operand);

// The pieces joined again with ":".
QString operandText(const QList<OperandPiece> &pieces);
