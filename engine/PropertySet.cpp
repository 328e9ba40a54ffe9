#include "PropertySet.h"

#include <QHash>
#include <QTextCodec>
#include <QXmlStreamReader>
#include <QtEndian>

namespace {

const QByteArray userDefinedSection = QByteArray::fromHex("05d5cdd59c2e1b10939708002b2cf9ae");

quint32 u32(const QByteArray &bytes, int at)
{
    return at >= 0 && at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0;
}

// A text in the section's code page: UTF-16 for 1200, else 8-bit in that
// code page (65001 is UTF-8); cut at its first null.
QString decoded(const QByteArray &bytes, int codePage)
{
    if (codePage == 1200) {
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
        return text.left(text.indexOf(QChar(0)) < 0 ? text.size() : text.indexOf(QChar(0)));
    }
    const QByteArray cut = bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0'));
    QTextCodec *codec = codePage == 65001 ? QTextCodec::codecForName("UTF-8")
                                          : QTextCodec::codecForName("windows-" + QByteArray::number(codePage));
    if (!codec && codePage == 936)
        codec = QTextCodec::codecForName("GBK");
    return codec ? codec->toUnicode(cut) : QString::fromLatin1(cut);
}

} // namespace

QList<QPair<QString, QString>> userDefinedProperties(const QByteArray &stream)
{
    QList<QPair<QString, QString>> found;
    // The header (28 bytes), then one FMTID and offset per section.
    const int sections = int(u32(stream, 24));
    int section = -1;
    for (int i = 0; i < sections && i < 4; ++i) {
        if (stream.mid(28 + 20 * i, 16) == userDefinedSection)
            section = int(u32(stream, 28 + 20 * i + 16));
    }
    if (section <= 0 || section >= stream.size())
        return found;
    const QByteArray body = stream.mid(section, int(u32(stream, section)));
    const int count = int(qMin<quint32>(u32(body, 4), 4096));
    QHash<quint32, int> offsetOf;
    QList<quint32> ids;
    for (int i = 0; i < count; ++i) {
        offsetOf.insert(u32(body, 8 + 8 * i), int(u32(body, 12 + 8 * i)));
        ids << u32(body, 8 + 8 * i);
    }
    // Property 1: the code page (VT_I2); property 0: the dictionary.
    const int codePage = offsetOf.contains(1) ? int(u32(body, offsetOf.value(1) + 4) & 0xFFFF) : 1252;
    QHash<quint32, QString> names;
    if (offsetOf.contains(0)) {
        int at = offsetOf.value(0);
        const int entries = int(qMin<quint32>(u32(body, at), 4096));
        at += 4;
        for (int i = 0; i < entries && at + 8 <= body.size(); ++i) {
            const quint32 id = u32(body, at);
            const int length = int(qMin<quint32>(u32(body, at + 4), 1 << 16));
            const int bytes = codePage == 1200 ? 2 * length : length;
            names.insert(id, decoded(body.mid(at + 8, bytes), codePage));
            at += 8 + bytes;
            if (codePage == 1200)
                at = (at + 3) & ~3;
        }
    }
    for (quint32 id : ids) {
        if (id < 2 || !names.contains(id))
            continue;
        const int at = offsetOf.value(id);
        const quint32 type = u32(body, at) & 0xFFFF;
        const int length = int(qMin<quint32>(u32(body, at + 4), 1 << 20));
        if (type == 0x1E) // VT_LPSTR, in the code page
            found.append({names.value(id), decoded(body.mid(at + 8, length), codePage)});
        else if (type == 0x1F) // VT_LPWSTR
            found.append({names.value(id), decoded(body.mid(at + 8, 2 * length), 1200)});
    }
    return found;
}

QList<QPair<QString, QString>> customXmlProperties(const QByteArray &customXml)
{
    QList<QPair<QString, QString>> found;
    QXmlStreamReader reader(customXml);
    QString name;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("property"))
            name = reader.attributes().value(QLatin1String("name")).toString();
        else if (!name.isNull())
            found.append({name, reader.readElementText()});
        if (reader.name() != QLatin1String("property"))
            name = QString();
    }
    return found;
}
