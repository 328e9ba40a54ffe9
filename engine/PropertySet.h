#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// A workbook's custom document properties, by name and text, read from its
// file without an office (see ResultMark for what a job keeps there).

// An .xls keeps them in the second section (the
// user-defined one) of its "\005DocumentSummaryInformation" stream, each
// property's name from the section's dictionary and its text value, in the
// section's order. Properties that hold no text are left out; nothing for a
// stream that cannot be read.
QList<QPair<QString, QString>> userDefinedProperties(const QByteArray &documentSummaryStream);

// An .xlsx keeps them in its docProps/custom.xml part: each <property>'s
// name and the text of its value.
QList<QPair<QString, QString>> customXmlProperties(const QByteArray &customXml);
