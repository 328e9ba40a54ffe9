#include "EncryptedSource.h"

#include "AgileEncryption.h"
#include "CompoundFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

// Where the source file's own reading tells what it found.
Q_DECLARE_LOGGING_CATEGORY(sourceFileLog)

ReadableSource readableSource(const QString &path, const QString &password)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (password.isEmpty() || (suffix != QLatin1String("xlsx") && suffix != QLatin1String("xlsm"))
        || !CompoundFile::isCompoundFile(path))
        return {};
    ooxml::EncryptedStreams streams;
    QByteArray package;
    QString error;
    if (!CompoundFile::readStream(path, "EncryptionInfo", &streams.encryptionInfo, &error)
        || !CompoundFile::readStream(path, "EncryptedPackage", &streams.encryptedPackage, &error)
        || !ooxml::decryptPackage(streams, password, &package, &error)) {
        qCInfo(sourceFileLog) << "no readable copy of" << path << ":" << error;
        return {};
    }
    auto folder = std::make_shared<QTemporaryDir>();
    QFile copy(folder->filePath(QStringLiteral("source.") + suffix));
    if (!folder->isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(package) != package.size()) {
        qCInfo(sourceFileLog) << "no readable copy of" << path << ":" << copy.errorString();
        return {};
    }
    copy.close();
    return {copy.fileName(), folder};
}
