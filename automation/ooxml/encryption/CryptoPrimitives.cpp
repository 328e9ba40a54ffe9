#include "CryptoPrimitives.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <memory>

namespace ooxml::crypto {

namespace {

const unsigned char *bytes(const QByteArray &a)
{
    return reinterpret_cast<const unsigned char *>(a.constData());
}

QByteArray aes256Cbc(const QByteArray &key, const QByteArray &iv, const QByteArray &data, bool encrypt)
{
    if (key.size() != 32 || iv.size() != 16 || data.size() % 16 != 0)
        return {};
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                       &EVP_CIPHER_CTX_free);
    if (!ctx)
        return {};
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, bytes(key), bytes(iv), encrypt ? 1 : 0) != 1)
        return {};
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    QByteArray out(data.size() + 16, Qt::Uninitialized);
    int written = 0;
    int tail = 0;
    auto *dst = reinterpret_cast<unsigned char *>(out.data());
    if (EVP_CipherUpdate(ctx.get(), dst, &written, bytes(data), data.size()) != 1)
        return {};
    if (EVP_CipherFinal_ex(ctx.get(), dst + written, &tail) != 1)
        return {};
    out.truncate(written + tail);
    if (out.isEmpty() && !data.isEmpty())
        return {};
    return out;
}

} // namespace

QByteArray sha512(const QByteArray &data)
{
    QByteArray out(SHA512_DIGEST_LENGTH, Qt::Uninitialized);
    SHA512(bytes(data), static_cast<size_t>(data.size()), reinterpret_cast<unsigned char *>(out.data()));
    return out;
}

QByteArray hmacSha512(const QByteArray &key, const QByteArray &data)
{
    QByteArray out(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (!HMAC(EVP_sha512(), key.constData(), key.size(), bytes(data), static_cast<size_t>(data.size()),
              reinterpret_cast<unsigned char *>(out.data()), &length))
        return {};
    out.truncate(static_cast<int>(length));
    return out;
}

QByteArray aes256CbcEncrypt(const QByteArray &key, const QByteArray &iv, const QByteArray &data)
{
    return aes256Cbc(key, iv, data, true);
}

QByteArray aes256CbcDecrypt(const QByteArray &key, const QByteArray &iv, const QByteArray &data)
{
    return aes256Cbc(key, iv, data, false);
}

QByteArray randomBytes(int count)
{
    QByteArray out(count, Qt::Uninitialized);
    if (count > 0 && RAND_bytes(reinterpret_cast<unsigned char *>(out.data()), count) != 1)
        return {};
    return out;
}

QByteArray le32(quint32 value)
{
    QByteArray out(4, Qt::Uninitialized);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    return out;
}

} // namespace ooxml::crypto
