#pragma once

#include <QByteArray>
#include <QString>

namespace ooxml {

// The password as UTF-16 little-endian bytes, the form every office hash starts from.
QByteArray utf16le(const QString &password);

// Excel's modern protection hash (sheet and workbook protection):
//   H0 = SHA-512(salt + UTF-16LE password), Hn = SHA-512(Hn-1 + LE32(n-1)) for n = 1..spinCount,
// returned base64-encoded.
QString excelPasswordHash(const QString &password, const QByteArray &salt, int spinCount = 100000);

// The four attributes Excel writes for a password protection.
struct ProtectionHash {
    QString algorithmName;   // "SHA-512"
    QString hashValue;       // base64
    QString saltValue;       // base64
    int spinCount = 0;
};

// Hash with a fresh random 16-byte salt. Returns false when no random salt could be had.
bool makeProtectionHash(const QString &password, ProtectionHash *out, int spinCount = 100000);

// True when `password` gives `hash` (all values as they appear in the XML).
bool verifyProtectionHash(const QString &password, const ProtectionHash &hash);

} // namespace ooxml
