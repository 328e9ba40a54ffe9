#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// Workbooks for the package tests, made and examined by python3 (openpyxl, zipfile,
// ElementTree, hashlib, msoffcrypto, olefile) so that the checks do not share code with
// what they check.
namespace ooxmltest {

// openpyxl workbook with sheets "汇总" (protected, merged cells, a filter and a
// hyperlink), "Other" and "Plain & Simple"; `kind` "xlsm" adds a macro project part.
bool makeWorkbook(const QString &python, const QString &path, const QString &kind, QString *failure);

// What a finished package holds: "entries" (names in order), "crc" (name -> CRC-32),
// "workbookChildren", "workbookProtection" (attributes), "hashMatches" (the structure
// hash against `structurePassword`), "sheets" (name -> {"children", "ranges"}),
// "openpyxl" ("ok" or the error) and "lockStructure" as openpyxl reads it.
QJsonObject inspectPackage(const QString &python, const QString &path, const QString &structurePassword,
                           const QStringList &sheets, QString *failure);

// Decrypts with msoffcrypto into `plainPath`: {"ok": bool, "error": text, "streams": [paths]}.
QJsonObject decryptPackage(const QString &python, const QString &path, const QString &password,
                           const QString &plainPath, QString *failure);

// Loads the workbook in a private headless office through UNO, with `password`:
// {"loaded": bool, "sheets": [names], "A1": text of the first sheet's A1, "error": text}.
QJsonObject openWithOffice(const QString &python, const QString &path, const QString &password, QString *failure);

} // namespace ooxmltest
