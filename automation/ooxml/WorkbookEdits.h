#pragma once

#include "PasswordHash.h"

#include <QByteArray>
#include <QString>

#include <QSet>

namespace ooxml {

// The workbook part with its structure locked: any workbookProtection already there
// is replaced by one carrying lockStructure="1" and, when `hash` is given, the
// password hash. The element goes where the workbook's child order wants it; the
// rest of the text is kept byte for byte.
bool lockWorkbookStructure(const QByteArray &workbookXml, const ProtectionHash *hash,
                           QByteArray *out, QString *error);

// The workbook part without the names scoped to the sheets at `positions`
// (0-based, in the order of <sheets>) that point nowhere (#REF!).
QByteArray withoutBrokenLocalNames(const QByteArray &workbookXml, const QSet<int> &positions);

// The workbook part asking the application to calculate every formula when it
// opens the file.
QByteArray withFullCalculationOnLoad(const QByteArray &workbookXml);

// The child order of a workbook part.
const QList<QByteArray> &workbookChildOrder();

} // namespace ooxml
