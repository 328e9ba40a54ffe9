#include "AgileEncryption.h"

#include "ReadFailure.h"

#include "CryptoPrimitives.h"
#include "PasswordHash.h"

#include <openssl/crypto.h>

#include <QXmlStreamReader>

#include <cstring>

namespace ooxml {

namespace {

using namespace crypto;

constexpr int kSaltSize = 16;
constexpr int kBlockSize = 16;
constexpr int kKeyBytes = 32;
constexpr int kHashSize = 64;
constexpr int kSegmentSize = 4096;

// Block keys that tell the keys derived from one password hash apart.
const QByteArray kVerifierInputBlock = QByteArray::fromHex("fea7d2763b4b9e79");
const QByteArray kVerifierValueBlock = QByteArray::fromHex("d7aa0f6d3061344e");
const QByteArray kKeyValueBlock = QByteArray::fromHex("146e0be7abacd0d6");
const QByteArray kHmacKeyBlock = QByteArray::fromHex("5fb2ad010cb9e1f6");
const QByteArray kHmacValueBlock = QByteArray::fromHex("a0677f02b22c8433");

// Secrets are wiped when they go out of scope.
struct Secret {
    QByteArray bytes;
    ~Secret()
    {
        if (!bytes.isEmpty())
            OPENSSL_cleanse(bytes.data(), static_cast<size_t>(bytes.size()));
    }
};

QByteArray fitTo(QByteArray value, int size, char pad)
{
    if (value.size() > size)
        value.truncate(size);
    while (value.size() < size)
        value.append(pad);
    return value;
}

QByteArray padToBlock(QByteArray data)
{
    const int rest = data.size() % kBlockSize;
    if (rest)
        data.append(QByteArray(kBlockSize - rest, '\0'));
    return data;
}

// H0 = H(salt + password), Hn = H(LE32(n-1) + Hn-1): iterator first here, unlike the
// protection hash.
QByteArray passwordBaseHash(const QString &password, const QByteArray &salt, int spinCount)
{
    QByteArray hash = sha512(salt + utf16le(password));
    QByteArray buffer(4 + kHashSize, Qt::Uninitialized);
    for (int i = 0; i < spinCount; ++i) {
        const QByteArray n = le32(static_cast<quint32>(i));
        memcpy(buffer.data(), n.constData(), 4);
        memcpy(buffer.data() + 4, hash.constData(), kHashSize);
        hash = sha512(buffer);
    }
    OPENSSL_cleanse(buffer.data(), static_cast<size_t>(buffer.size()));
    return hash;
}

QByteArray derivedKey(const QByteArray &baseHash, const QByteArray &blockKey)
{
    return fitTo(sha512(baseHash + blockKey), kKeyBytes, '\x36');
}

QByteArray derivedIv(const QByteArray &keySalt, const QByteArray &blockKey)
{
    return fitTo(sha512(keySalt + blockKey), kBlockSize, '\x36');
}

QString b64(const QByteArray &data)
{
    return QString::fromLatin1(data.toBase64());
}

QByteArray descriptionXml(const QString &keySalt, const QString &hmacKey, const QString &hmacValue,
                          int spinCount, const QString &passwordSalt, const QString &verifierInput,
                          const QString &verifierValue, const QString &keyValue)
{
    const QString common = QStringLiteral(
        "saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" cipherAlgorithm=\"AES\" "
        "cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\"");
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
        "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
        "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">");
    xml += QStringLiteral("<keyData %1 saltValue=\"%2\"/>").arg(common, keySalt);
    xml += QStringLiteral("<dataIntegrity encryptedHmacKey=\"%1\" encryptedHmacValue=\"%2\"/>")
               .arg(hmacKey, hmacValue);
    xml += QStringLiteral(
               "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
               "<p:encryptedKey spinCount=\"%1\" %2 saltValue=\"%3\" encryptedVerifierHashInput=\"%4\" "
               "encryptedVerifierHashValue=\"%5\" encryptedKeyValue=\"%6\"/></keyEncryptor></keyEncryptors>"
               "</encryption>")
               .arg(QString::number(spinCount), common, passwordSalt, verifierInput, verifierValue, keyValue);
    return xml.toUtf8();
}

using readers::fail;

} // namespace

bool encryptPackage(const QByteArray &package, const QString &password, EncryptedStreams *out,
                    QString *error, int spinCount)
{
    Secret packageKey{randomBytes(kKeyBytes)};
    const QByteArray keySalt = randomBytes(kSaltSize);
    const QByteArray passwordSalt = randomBytes(kSaltSize);
    const QByteArray verifierInput = randomBytes(kSaltSize);
    Secret hmacKey{randomBytes(kHashSize)};
    if (packageKey.bytes.size() != kKeyBytes || keySalt.size() != kSaltSize || passwordSalt.size() != kSaltSize
        || verifierInput.size() != kSaltSize || hmacKey.bytes.size() != kHashSize)
        return fail(error, QStringLiteral("no random numbers could be had for the encryption"));

    // The package: its size, then each 4096-byte segment encrypted on its own, with an
    // IV made from the key salt and the segment's number.
    QByteArray stream;
    stream.reserve(8 + package.size() + kBlockSize);
    const quint64 size = static_cast<quint64>(package.size());
    for (int i = 0; i < 8; ++i)
        stream.append(static_cast<char>((size >> (8 * i)) & 0xff));
    for (int offset = 0, segment = 0; offset < package.size(); offset += kSegmentSize, ++segment) {
        const QByteArray plain = padToBlock(package.mid(offset, kSegmentSize));
        const QByteArray iv = fitTo(sha512(keySalt + le32(static_cast<quint32>(segment))), kBlockSize, '\x36');
        const QByteArray cipher = aes256CbcEncrypt(packageKey.bytes, iv, plain);
        if (cipher.size() != plain.size())
            return fail(error, QStringLiteral("the package could not be encrypted"));
        stream.append(cipher);
    }

    // Integrity: an HMAC over the whole encrypted stream, key and value both stored encrypted.
    const QByteArray hmacValue = hmacSha512(hmacKey.bytes, stream);
    const QByteArray encryptedHmacKey =
        aes256CbcEncrypt(packageKey.bytes, derivedIv(keySalt, kHmacKeyBlock), hmacKey.bytes);
    const QByteArray encryptedHmacValue =
        aes256CbcEncrypt(packageKey.bytes, derivedIv(keySalt, kHmacValueBlock), hmacValue);

    // The password side: a verifier and the package key, each under its own derived key.
    Secret baseHash{passwordBaseHash(password, passwordSalt, spinCount)};
    Secret k1{derivedKey(baseHash.bytes, kVerifierInputBlock)};
    Secret k2{derivedKey(baseHash.bytes, kVerifierValueBlock)};
    Secret k3{derivedKey(baseHash.bytes, kKeyValueBlock)};
    const QByteArray encryptedVerifierInput = aes256CbcEncrypt(k1.bytes, passwordSalt, verifierInput);
    const QByteArray encryptedVerifierValue = aes256CbcEncrypt(k2.bytes, passwordSalt, sha512(verifierInput));
    const QByteArray encryptedKeyValue = aes256CbcEncrypt(k3.bytes, passwordSalt, packageKey.bytes);
    if (hmacValue.size() != kHashSize || encryptedHmacKey.isEmpty() || encryptedHmacValue.isEmpty()
        || encryptedVerifierInput.isEmpty() || encryptedVerifierValue.isEmpty() || encryptedKeyValue.isEmpty())
        return fail(error, QStringLiteral("the encryption keys could not be made"));

    QByteArray info;
    info.append("\x04\x00\x04\x00", 4);       // version 4.4
    info.append("\x40\x00\x00\x00", 4);       // flags
    info.append(descriptionXml(b64(keySalt), b64(encryptedHmacKey), b64(encryptedHmacValue), spinCount,
                               b64(passwordSalt), b64(encryptedVerifierInput), b64(encryptedVerifierValue),
                               b64(encryptedKeyValue)));
    out->encryptionInfo = info;
    out->encryptedPackage = stream;
    return true;
}

bool decryptPackage(const EncryptedStreams &streams, const QString &password, QByteArray *package, QString *error)
{
    // Version 4.4 (agile), then the XML description.
    const QByteArray &info = streams.encryptionInfo;
    if (info.size() < 8 || info.at(0) != 4 || info.at(2) != 4)
        return fail(error, QStringLiteral("the encryption is not of the agile kind"));
    QByteArray keySalt, passwordSalt, encryptedKeyValue;
    int spinCount = 0;
    QXmlStreamReader reader(info.mid(8));
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        const bool ours = a.value("hashAlgorithm") == QLatin1String("SHA512") && a.value("keyBits") == QLatin1String("256")
                          && a.value("cipherAlgorithm") == QLatin1String("AES");
        if (reader.name() == QLatin1String("keyData")) {
            if (!ours)
                return fail(error, QStringLiteral("the package is encrypted with other algorithms"));
            keySalt = QByteArray::fromBase64(a.value("saltValue").toLatin1());
        } else if (reader.name() == QLatin1String("encryptedKey") && ours) {
            spinCount = a.value("spinCount").toInt();
            passwordSalt = QByteArray::fromBase64(a.value("saltValue").toLatin1());
            encryptedKeyValue = QByteArray::fromBase64(a.value("encryptedKeyValue").toLatin1());
        }
    }
    if (keySalt.size() != kSaltSize || passwordSalt.size() != kSaltSize || encryptedKeyValue.isEmpty()
        || spinCount <= 0 || spinCount > 10000000)
        return fail(error, QStringLiteral("the encryption's description cannot be read"));
    Secret baseHash{passwordBaseHash(password, passwordSalt, spinCount)};
    Secret k3{derivedKey(baseHash.bytes, kKeyValueBlock)};
    Secret packageKey{aes256CbcDecrypt(k3.bytes, passwordSalt, encryptedKeyValue).left(kKeyBytes)};
    const QByteArray &stream = streams.encryptedPackage;
    if (packageKey.bytes.size() != kKeyBytes || stream.size() < 8)
        return fail(error, QStringLiteral("the package key cannot be had"));
    quint64 size = 0;
    for (int i = 7; i >= 0; --i)
        size = (size << 8) | static_cast<quint8>(stream.at(i));
    if (size > quint64(stream.size() - 8))
        return fail(error, QStringLiteral("the encrypted package is cut short"));
    QByteArray plain;
    plain.reserve(stream.size());
    for (int offset = 8, segment = 0; offset < stream.size(); offset += kSegmentSize, ++segment) {
        const QByteArray iv = fitTo(sha512(keySalt + le32(static_cast<quint32>(segment))), kBlockSize, '\x36');
        const QByteArray cipher = stream.mid(offset, kSegmentSize);
        const QByteArray clear = aes256CbcDecrypt(packageKey.bytes, iv, cipher.left(cipher.size() / kBlockSize * kBlockSize));
        if (clear.isEmpty() && !cipher.isEmpty())
            return fail(error, QStringLiteral("the package cannot be decrypted"));
        plain.append(clear);
    }
    plain.truncate(static_cast<int>(size));
    // A wrong password gives bytes that are no zip package.
    if (!plain.startsWith("PK"))
        return fail(error, QStringLiteral("the password does not open the package"));
    *package = plain;
    return true;
}

} // namespace ooxml
