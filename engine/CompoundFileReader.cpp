#include "CompoundFileReader.h"

#include <QtEndian>

namespace {

const quint32 lastRegularSector = 0xFFFFFFF9;

quint32 u32(const QByteArray &bytes, int at)
{
    return at >= 0 && at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0xFFFFFFFF;
}

quint16 u16(const QByteArray &bytes, int at)
{
    return at >= 0 && at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.constData() + at) : 0;
}

} // namespace

CompoundFileReader::CompoundFileReader(const QString &path) : m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly))
        return;
    m_header = m_file.read(512);
    const int shift = u16(m_header, 0x1E);
    if (m_header.startsWith(signature()) && (shift == 9 || shift == 12))
        m_sectorSize = 1 << shift;
}

QByteArray CompoundFileReader::sector(quint32 index)
{
    if (index > lastRegularSector || !m_file.seek(qint64(index + 1) * m_sectorSize))
        return QByteArray();
    return m_file.read(m_sectorSize);
}

// The FAT's sectors: the first 109 named in the header, the rest in the
// chain of DIFAT sectors, whose last entry names the next one.
QVector<quint32> CompoundFileReader::readFat()
{
    QVector<quint32> fatSectors;
    for (int i = 0; i < 109; ++i) {
        const quint32 s = u32(m_header, 0x4C + 4 * i);
        if (s <= lastRegularSector)
            fatSectors << s;
    }
    const int perSector = m_sectorSize / 4;
    quint32 difat = u32(m_header, 0x44);
    for (int guard = 0; difat <= lastRegularSector && guard < 1 << 16; ++guard) {
        const QByteArray block = sector(difat);
        if (block.size() != m_sectorSize)
            break;
        for (int i = 0; i < perSector - 1; ++i) {
            const quint32 s = u32(block, 4 * i);
            if (s <= lastRegularSector)
                fatSectors << s;
        }
        difat = u32(block, m_sectorSize - 4);
    }
    QVector<quint32> fat;
    for (quint32 s : fatSectors) {
        const QByteArray block = sector(s);
        for (int i = 0; i + 4 <= block.size(); i += 4)
            fat << u32(block, i);
    }
    return fat;
}

QByteArray CompoundFileReader::chain(quint32 start, qint64 limit)
{
    if (m_fat.isEmpty())
        m_fat = readFat();
    QByteArray bytes;
    // A chain that loops is cut where it would pass the FAT's length.
    for (int steps = 0; start <= lastRegularSector && bytes.size() < limit && steps <= m_fat.size(); ++steps) {
        const QByteArray block = sector(start);
        if (block.isEmpty())
            break;
        bytes += block;
        start = start < quint32(m_fat.size()) ? m_fat.at(int(start)) : 0xFFFFFFFE;
    }
    return bytes.left(int(qMin<qint64>(limit, bytes.size())));
}

QVector<CompoundFileReader::Entry> CompoundFileReader::readDirectory()
{
    QVector<Entry> entries;
    const QByteArray directory = chain(u32(m_header, 0x30), 1 << 24);
    for (int at = 0; at + 128 <= directory.size(); at += 128) {
        Entry entry;
        const int length = u16(directory, at + 0x40);
        if (length >= 2 && length <= 64)
            entry.name = QString::fromUtf16(reinterpret_cast<const char16_t *>(directory.constData() + at),
                                            length / 2 - 1);
        entry.type = directory.at(at + 0x42);
        entry.start = u32(directory, at + 0x74);
        entry.size = u32(directory, at + 0x78);
        entries << entry;
    }
    return entries;
}

// A small stream's 64-byte sectors, inside the root entry's stream.
QByteArray CompoundFileReader::miniChain(quint32 start, qint64 size)
{
    const QVector<Entry> entries = readDirectory();
    if (entries.isEmpty())
        return QByteArray();
    const QByteArray container = chain(entries.first().start, qint64(entries.first().size));
    const QByteArray miniFatBytes = chain(u32(m_header, 0x3C), 1 << 24);
    const int miniSize = 1 << u16(m_header, 0x20);
    QByteArray bytes;
    for (int steps = 0; start <= lastRegularSector && bytes.size() < size && steps <= miniFatBytes.size() / 4;
         ++steps) {
        const qint64 at = qint64(start) * miniSize;
        if (at + miniSize > container.size())
            break;
        bytes += container.mid(int(at), miniSize);
        start = u32(miniFatBytes, int(4 * start));
    }
    return bytes.left(int(qMin<qint64>(size, bytes.size())));
}

QByteArray CompoundFileReader::stream(const QString &name, qint64 limit)
{
    if (!isCompoundFile())
        return QByteArray();
    for (const Entry &entry : readDirectory()) {
        if (entry.type != 2 || entry.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const qint64 size = qMin<qint64>(qint64(entry.size), limit);
        // Streams under the cutoff (4096 bytes) live in the mini stream.
        if (entry.size < u32(m_header, 0x38))
            return miniChain(entry.start, size);
        return chain(entry.start, size);
    }
    return QByteArray();
}
