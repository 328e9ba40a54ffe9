#pragma once

#include <QByteArray>

// Thin wrappers over OpenSSL for the few primitives package finishing needs.
namespace ooxml::crypto {

QByteArray sha512(const QByteArray &data);
QByteArray hmacSha512(const QByteArray &key, const QByteArray &data);

// AES-256-CBC without padding: `data` must be a whole number of 16-byte blocks,
// `key` 32 bytes and `iv` 16 bytes. Returns an empty array on any failure.
QByteArray aes256CbcEncrypt(const QByteArray &key, const QByteArray &iv, const QByteArray &data);
QByteArray aes256CbcDecrypt(const QByteArray &key, const QByteArray &iv, const QByteArray &data);

// Cryptographically strong random bytes; empty when the generator fails.
QByteArray randomBytes(int count);

// Little-endian 32-bit encoding, as the office formats write integers.
QByteArray le32(quint32 value);

} // namespace ooxml::crypto
