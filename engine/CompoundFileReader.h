#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVector>

// The streams at the root of a compound file (an .xls, or an encrypted
// .xlsx), read without any office: sectors chained through the FAT, small
// streams through the mini FAT. Reads nothing from a file that is no
// compound file or whose chains run out of it.
class CompoundFileReader
{
public:
    explicit CompoundFileReader(const QString &path);

    // The eight bytes every compound file starts with.
    static QByteArray signature() { return QByteArray::fromHex("d0cf11e0a1b11ae1"); }

    bool isCompoundFile() const { return m_sectorSize > 0; }
    // The root's stream of that name (letter case aside), at most `limit`
    // bytes of it; empty when there is none.
    QByteArray stream(const QString &name, qint64 limit = 1 << 26);

private:
    struct Entry
    {
        QString name;
        int type = 0;
        quint32 start = 0;
        quint64 size = 0;
    };
    QByteArray sector(quint32 index);
    QByteArray chain(quint32 start, qint64 limit);
    QByteArray miniChain(quint32 start, qint64 size);
    QVector<quint32> readFat();
    QVector<Entry> readDirectory();

    QFile m_file;
    QByteArray m_header;
    int m_sectorSize = 0;
    QVector<quint32> m_fat;
};
