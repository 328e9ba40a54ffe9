#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The office rewrites a workbook's macro project from its own copy of the code,
// with every line commented out. The project of the source, and its signatures,
// go into the result as they were.
namespace ooxml {

class ZipPackage;

// Adds to `replaced` the parts that put the source's macro project into the
// result, and says in `carried` whether there was one to put. Nothing when
// either package has no macro project; false (with `error`) when the source's
// project cannot be read.
bool carryMacroProject(const ZipPackage &source, const QString &sourceWorkbookPart,
                       const ZipPackage &result, const QString &resultWorkbookPart,
                       QHash<QString, QByteArray> *replaced, bool *carried, QString *error);

} // namespace ooxml
