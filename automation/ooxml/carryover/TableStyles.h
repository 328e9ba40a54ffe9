#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace ooxml {

class ZipPackage;

// The office keeps a table's range and columns but not its style (the
// colours of a formatted table). Each table of the result gets the
// <tableStyleInfo> of the source table it stands for: the one of its name, or
// for a copy's table ("Table1_2") the one it was copied from ("Table1").
// Tables that have a style, or whose source table has none, stay as they
// are. False (with `error`) when a part of the result cannot be read.
bool carryTableStyles(const ZipPackage &source, const QString &sourceWorkbookPart, const ZipPackage &result,
                      const QString &resultWorkbookPart, QHash<QString, QByteArray> *replaced, QString *error);

// `tableXml` with `styleInfo` (a whole <tableStyleInfo .../> element) in its
// place among the table's children, unless the table has one already.
QByteArray withTableStyle(const QByteArray &tableXml, const QByteArray &styleInfo, QString *error);

// The source table a result table stands for: `name` itself, else `name`
// without a copy's "_2", "_3", ... ending; empty when `known` (lower-case
// names) holds neither.
QString tableOrigin(const QString &name, const QList<QString> &known);

} // namespace ooxml
