#pragma once

#include <QByteArray>
#include <QString>

namespace ooxml {

struct EncryptedStreams;

// Writes the compound file an encrypted workbook lives in: the streams
// "EncryptionInfo" and "EncryptedPackage", and the "\x06DataSpaces" storage that
// declares the package as transformed by the encryption.
bool writeEncryptedContainer(const QString &path, const EncryptedStreams &streams, QString *error);

// The contents of the "\x06DataSpaces" storage, exposed for tests.
QByteArray dataSpaceVersionStream();
QByteArray dataSpaceMapStream();
QByteArray strongEncryptionDataSpaceStream();
QByteArray primaryTransformStream();

} // namespace ooxml
