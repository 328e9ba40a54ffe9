#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// What the office loses of the source on its round trip, put back from the
// source package into the result's parts: panes, comment authors, built-in date
// formats, the macro project; and the broken names the office gives copies.
namespace ooxml {

class ZipPackage;

// Where a sheet of the result came from: a sheet of the source under the same
// name, or a copy of one (a sheet the job made) under another.
struct SheetOrigin {
    QString sheetName;
    QString sourceSheetName;

    bool isCopy() const { return sheetName != sourceSheetName; }
};

// Adds to `replaced` (part name -> new content) the parts of `result` that
// take what the source had. Parts already in `replaced` are edited further.
// A source that cannot be read adds nothing and is no failure: the result is
// complete without it. False (with `error`) when a part of the result cannot
// be read or edited.
bool carryOverFromSource(const QString &sourcePath, const QList<SheetOrigin> &origins, const ZipPackage &result,
                         const QString &resultWorkbookPart, QHash<QString, QByteArray> *replaced, QString *error);

} // namespace ooxml
