#pragma once

#include <QByteArray>
#include <QtEndian>

// Record types of a BIFF8 workbook stream, and its little-endian fields.
namespace Biff {

constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kFilePass = 0x002F;
constexpr quint16 kProtect = 0x0012;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kIndex = 0x020B;
constexpr quint16 kWindow2 = 0x023E;
constexpr quint16 kScl = 0x00A0;
constexpr quint16 kPlv = 0x088B;
constexpr quint16 kSheetViewExtension = 0x08C8;
constexpr quint16 kPane = 0x0041;
constexpr quint16 kSelection = 0x001D;
constexpr quint16 kContinue = 0x003C;

inline quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }
inline quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
inline void put16(QByteArray &b, int at, quint16 v) { qToLittleEndian<quint16>(v, b.data() + at); }
inline void put32(QByteArray &b, int at, quint32 v) { qToLittleEndian<quint32>(v, b.data() + at); }

} // namespace Biff
