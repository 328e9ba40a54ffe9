#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace ooxml {

class ZipPackage;

// A part named by a relationship: "/xl/worksheets/sheet1.xml" or "worksheets/sheet1.xml"
// seen from "xl/workbook.xml" both give "xl/worksheets/sheet1.xml". Empty when the
// target leaves the package or is not a part name.
QString resolvePartName(const QString &sourcePart, const QString &target);

// The relationships part that belongs to `part`: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
QString relationshipsPartName(const QString &part);

struct Relationship {
    QString id;
    QString type;
    QString target;
    bool external = false;
};

bool parseRelationships(const QByteArray &relsXml, QList<Relationship> *out, QString *error);

struct SheetEntry {
    QString name;
    QString relationshipId;
};

// The <sheets> of a workbook part, in order.
bool parseWorkbookSheets(const QByteArray &workbookXml, QList<SheetEntry> *out, QString *error);

// The main workbook part of the package ("xl/workbook.xml" as the office writes it).
bool findWorkbookPart(const ZipPackage &package, QString *partName, QString *error);

// The worksheet part of the sheet named `sheetName` (matched exactly, else without case).
bool findWorksheetPart(const ZipPackage &package, const QString &workbookPart,
                       const QByteArray &workbookXml, const QString &sheetName,
                       QString *partName, QString *error);

// The first part `part` refers to by a relationship whose type ends with
// `typeSuffix` ("/comments", "/vbaProject"); false when there is none.
bool findRelatedPart(const ZipPackage &package, const QString &part, const QString &typeSuffix, QString *related);

// A part as edited so far: its new content in `replaced`, else as the package has it.
bool readEditedPart(const ZipPackage &package, const QHash<QString, QByteArray> &replaced, const QString &part,
                    QByteArray *out, QString *error);

} // namespace ooxml
