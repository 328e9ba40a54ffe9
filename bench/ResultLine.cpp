#include "ResultLine.h"

#include <QUrl>

namespace {
const QByteArray marker = QByteArrayLiteral("@bench-result");
}

QByteArray encodeResultLine(const ResultFields &fields)
{
    QByteArray line = marker;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        line += ' ';
        line += QUrl::toPercentEncoding(it.key());
        line += '=';
        line += QUrl::toPercentEncoding(it.value());
    }
    line += '\n';
    return line;
}

QList<ResultFields> decodeResultLines(const QByteArray &output)
{
    QList<ResultFields> results;
    for (QByteArray line : output.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line != marker && !line.startsWith(marker + ' '))
            continue;
        ResultFields fields;
        for (const QByteArray &pair : line.mid(marker.size()).split(' ')) {
            const int equals = pair.indexOf('=');
            if (equals <= 0)
                continue;
            fields.insert(QUrl::fromPercentEncoding(pair.left(equals)),
                          QUrl::fromPercentEncoding(pair.mid(equals + 1)));
        }
        results << fields;
    }
    return results;
}

qint64 fieldNumber(const ResultFields &fields, const QString &key, qint64 fallback)
{
    bool ok = false;
    const qint64 n = fields.value(key).toLongLong(&ok);
    return ok ? n : fallback;
}
