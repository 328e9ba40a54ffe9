#pragma once

#include <QByteArray>
#include <QString>

namespace ooxml {

// The two streams of a password-encrypted workbook: the package itself, encrypted
// with a random key in 4096-byte segments (AES-256-CBC), and the description that lets
// the reader derive that key from the password (SHA-512 with 100,000 spins) and check
// the package's integrity (HMAC-SHA-512).
struct EncryptedStreams {
    QByteArray encryptionInfo;     // version 4.4, flags 0x40, then the XML description
    QByteArray encryptedPackage;   // little-endian 64-bit size, then the segments
};

bool encryptPackage(const QByteArray &package, const QString &password, EncryptedStreams *out,
                    QString *error, int spinCount = 100000);

// The package back from its streams, with the password, for a description
// of SHA-512 and AES-256 (what Excel 2013 and later, and this program,
// write). False, with the reason, for a wrong password or another kind of
// encryption.
bool decryptPackage(const EncryptedStreams &streams, const QString &password, QByteArray *package, QString *error);

} // namespace ooxml
