#include "SourceEncryption.h"

#include <QFile>
#include <QtEndian>

namespace {

const QByteArray compoundSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
const quint32 endOfChain = 0xFFFFFFFE;

quint16 u16(const QByteArray &bytes, int at)
{
    return at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.constData() + at) : 0;
}

quint32 u32(const QByteArray &bytes, int at)
{
    return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : endOfChain;
}

// Just enough of a compound file to find one stream's first sector: the
// header's FAT sectors (the first 109), the directory's chain through them.
class CompoundReader
{
public:
    explicit CompoundReader(QFile &file) : m_file(file)
    {
        m_header = file.read(512);
        const int shift = u16(m_header, 0x1E);
        m_sectorSize = shift >= 9 && shift <= 12 ? 1 << shift : 0;
    }

    bool valid() const { return m_header.startsWith(compoundSignature) && m_sectorSize; }

    QByteArray sector(quint32 index)
    {
        if (index >= 0xFFFFFFFA || !m_file.seek(qint64(index + 1) * m_sectorSize))
            return QByteArray();
        return m_file.read(m_sectorSize);
    }

    quint32 next(quint32 index)
    {
        const quint32 perSector = m_sectorSize / 4;
        const quint32 fatIndex = index / perSector;
        if (fatIndex >= 109)
            return endOfChain;
        return u32(sector(u32(m_header, 0x4C + 4 * fatIndex)), 4 * (index % perSector));
    }

    // The first sector and size of the root's stream of that name.
    bool findStream(const QString &name, quint32 *start, quint32 *size)
    {
        quint32 at = u32(m_header, 0x30);
        for (int guard = 0; at < 0xFFFFFFFA && guard < 4096; ++guard, at = next(at)) {
            const QByteArray entries = sector(at);
            for (int e = 0; e + 128 <= entries.size(); e += 128) {
                const int length = u16(entries, e + 0x40);
                if (length < 2 || length > 64 || entries.at(e + 0x42) != 2)
                    continue;
                const QString entryName = QString::fromUtf16(
                    reinterpret_cast<const char16_t *>(entries.constData() + e), length / 2 - 1);
                if (entryName.compare(name, Qt::CaseInsensitive) == 0) {
                    *start = u32(entries, e + 0x74);
                    *size = u32(entries, e + 0x78);
                    return true;
                }
            }
        }
        return false;
    }

    quint32 miniCutoff() const { return u32(m_header, 0x38); }

private:
    QFile &m_file;
    QByteArray m_header;
    int m_sectorSize = 0;
};

} // namespace

bool isEncryptedWorkbook(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    CompoundReader reader(file);
    if (!reader.valid())
        return false;
    if (!path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return true;
    quint32 start = 0;
    quint32 size = 0;
    // A workbook stream smaller than the cutoff lives in the mini stream:
    // too small to be a workbook the office wrote, and not looked into.
    if (!(reader.findStream(QStringLiteral("Workbook"), &start, &size)
          || reader.findStream(QStringLiteral("Book"), &start, &size))
        || size < reader.miniCutoff())
        return false;
    const QByteArray first = reader.sector(start);
    // BOF (0x0809), then the next record's type.
    if (u16(first, 0) != 0x0809)
        return false;
    return u16(first, 4 + u16(first, 2)) == 0x002F;
}
