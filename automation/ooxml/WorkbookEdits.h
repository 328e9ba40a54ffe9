#pragma once

#include "PasswordHash.h"

#include <QByteArray>
#include <QString>

namespace ooxml {

// The workbook part with its structure locked: any workbookProtection already there
// is replaced by one carrying lockStructure="1" and, when `hash` is given, the
// password hash. The element goes where the workbook's child order wants it; the
// rest of the text is kept byte for byte.
bool lockWorkbookStructure(const QByteArray &workbookXml, const ProtectionHash *hash,
                           QByteArray *out, QString *error);

// The child order of a workbook part.
const QList<QByteArray> &workbookChildOrder();

} // namespace ooxml
