#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Whether a workbook file has its structure protected. The office forgets
// that when it loads an .xlsx, so the backend reads it from the file itself.

// The file at `path`, an OOXML package or a compound file holding a BIFF
// workbook stream, told apart by their first bytes. False when the file
// cannot be read or says nothing of it.
bool fileLocksStructure(const QString &path);

// Whether `password` lifts the structure lock the file at `path` records:
// an OOXML package's <workbookProtection> hash (the SHA-512 one, or the
// short legacy one); a lock without a password opens with any. A compound file's lock
// the office keeps and checks itself: true.
bool passwordOpensFileStructure(const QString &path, const QString &password);

// The same for the text of a workbook part.
bool passwordOpensWorkbookXml(const QByteArray &workbookXml, const QString &password);

// The short legacy hash of a protection password, as four hexadecimal digits
// ("CE88" for "a").
QString legacyPasswordHash(const QString &password);

// The text of a workbook part: a <workbookProtection> with lockStructure on.
bool workbookXmlLocksStructure(const QByteArray &workbookXml);

// The records of a BIFF workbook stream, from its start: a PROTECT record
// with value 1 among the globals, which end at the first EOF record. False
// when the globals end without one, or when the stream does not begin with a
// BOF record or is encrypted before one shows; none when `stream` stops
// before the globals end.
std::optional<bool> biffGlobalsLockStructure(const QByteArray &stream);
