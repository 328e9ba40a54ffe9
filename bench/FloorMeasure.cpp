#include "FloorMeasure.h"

int saveFormatFor(const QString &path)
{
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".xls")))
        return 56;
    if (lower.endsWith(QLatin1String(".xlsm")))
        return 52;
    return 51;
}

namespace {

QString joined(const QList<qint64> &values)
{
    QStringList parts;
    for (qint64 v : values)
        parts << QString::number(v);
    return parts.join(QLatin1Char(','));
}

QList<qint64> split(const QString &text)
{
    QList<qint64> values;
    if (text.isEmpty())
        return values;
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const qint64 v = part.toLongLong(&ok);
        values << (ok ? v : -1);
    }
    return values;
}

} // namespace

ResultFields toFields(const FloorMeasure &m)
{
    ResultFields f;
    f.insert(QStringLiteral("start_ms"), QString::number(m.startMs));
    f.insert(QStringLiteral("load_source_ms"), QString::number(m.loadSourceMs));
    f.insert(QStringLiteral("save_source_ms"), QString::number(m.saveSourceMs));
    f.insert(QStringLiteral("load_result_ms"), joined(m.loadResultMs));
    f.insert(QStringLiteral("save_result_ms"), joined(m.saveResultMs));
    f.insert(QStringLiteral("quit_ms"), QString::number(m.quitMs));
    f.insert(QStringLiteral("error"), m.error);
    return f;
}

FloorMeasure floorMeasureFrom(const ResultFields &f)
{
    FloorMeasure m;
    m.startMs = fieldNumber(f, QStringLiteral("start_ms"));
    m.loadSourceMs = fieldNumber(f, QStringLiteral("load_source_ms"));
    m.saveSourceMs = fieldNumber(f, QStringLiteral("save_source_ms"));
    m.loadResultMs = split(f.value(QStringLiteral("load_result_ms")));
    m.saveResultMs = split(f.value(QStringLiteral("save_result_ms")));
    m.quitMs = fieldNumber(f, QStringLiteral("quit_ms"));
    m.error = f.value(QStringLiteral("error"));
    return m;
}

qint64 floorMs(const FloorMeasure &m, int resultIndex)
{
    if (m.startMs < 0 || m.loadSourceMs < 0)
        return -1;
    qint64 save = m.saveResultMs.value(resultIndex, -1);
    if (save < 0)
        save = m.saveSourceMs;
    if (save < 0)
        return -1;
    return m.startMs + m.loadSourceMs + save;
}
