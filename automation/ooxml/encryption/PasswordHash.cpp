#include "PasswordHash.h"

#include "CryptoPrimitives.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <cstring>

namespace ooxml {

QByteArray utf16le(const QString &password)
{
    QByteArray out;
    out.reserve(password.size() * 2);
    for (const QChar c : password) {
        const ushort u = c.unicode();
        out.append(static_cast<char>(u & 0xff));
        out.append(static_cast<char>(u >> 8));
    }
    return out;
}

QString excelPasswordHash(const QString &password, const QByteArray &salt, int spinCount)
{
    QByteArray hash = crypto::sha512(salt + utf16le(password));
    // Hash then iterator, iterator counting from 0.
    unsigned char buffer[SHA512_DIGEST_LENGTH + 4];
    for (int i = 0; i < spinCount; ++i) {
        memcpy(buffer, hash.constData(), SHA512_DIGEST_LENGTH);
        const auto n = static_cast<quint32>(i);
        buffer[SHA512_DIGEST_LENGTH + 0] = n & 0xff;
        buffer[SHA512_DIGEST_LENGTH + 1] = (n >> 8) & 0xff;
        buffer[SHA512_DIGEST_LENGTH + 2] = (n >> 16) & 0xff;
        buffer[SHA512_DIGEST_LENGTH + 3] = (n >> 24) & 0xff;
        SHA512(buffer, sizeof buffer, reinterpret_cast<unsigned char *>(hash.data()));
    }
    OPENSSL_cleanse(buffer, sizeof buffer);
    return QString::fromLatin1(hash.toBase64());
}

bool makeProtectionHash(const QString &password, ProtectionHash *out, int spinCount)
{
    const QByteArray salt = crypto::randomBytes(16);
    if (salt.size() != 16)
        return false;
    out->algorithmName = QStringLiteral("SHA-512");
    out->saltValue = QString::fromLatin1(salt.toBase64());
    out->spinCount = spinCount;
    out->hashValue = excelPasswordHash(password, salt, spinCount);
    return true;
}

bool verifyProtectionHash(const QString &password, const ProtectionHash &hash)
{
    if (hash.algorithmName != QLatin1String("SHA-512") || hash.spinCount < 0)
        return false;
    const QByteArray salt = QByteArray::fromBase64(hash.saltValue.toLatin1());
    return excelPasswordHash(password, salt, hash.spinCount) == hash.hashValue;
}

} // namespace ooxml
