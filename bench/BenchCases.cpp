#include "BenchCases.h"

#include "CellReference.h"

const QList<BenchSize> &standardSizes()
{
    static const QList<BenchSize> sizes{
        {QStringLiteral("S"), 1000, 8, 5},
        {QStringLiteral("M"), 10000, 12, 20},
        {QStringLiteral("L"), 50000, 12, 50},
        {QStringLiteral("C50"), 2000, 12, 50, false},
        {QStringLiteral("C100"), 2000, 12, 100, false},
        {QStringLiteral("C200"), 2000, 12, 200, false},
        {QStringLiteral("C400"), 2000, 12, 400, false},
        {QStringLiteral("R500"), 500, 12, 500, false},
        {QStringLiteral("F500"), 1100, 13, 500, false},
    };
    return sizes;
}

std::optional<BenchSize> sizeNamed(const QString &name)
{
    for (const BenchSize &size : standardSizes()) {
        if (size.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return size;
    }
    return std::nullopt;
}

QString kindName(SourceKind kind)
{
    if (kind == SourceKind::Formulas)
        return QStringLiteral("formulas");
    return kind == SourceKind::Rich ? QStringLiteral("rich") : QStringLiteral("plain");
}

std::optional<SourceKind> kindNamed(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("plain"))
        return SourceKind::Plain;
    if (n == QLatin1String("rich"))
        return SourceKind::Rich;
    if (n == QLatin1String("formulas"))
        return SourceKind::Formulas;
    return std::nullopt;
}

QString jobName(BenchJob job)
{
    if (job == BenchJob::Files)
        return QStringLiteral("files");
    return job == BenchJob::Link ? QStringLiteral("link") : QStringLiteral("classify");
}

std::optional<BenchJob> jobNamed(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("classify"))
        return BenchJob::Classify;
    if (n == QLatin1String("link"))
        return BenchJob::Link;
    if (n == QLatin1String("files"))
        return BenchJob::Files;
    return std::nullopt;
}

SourceLayout layoutFor(const BenchSize &size, SourceKind kind)
{
    SourceLayout layout;
    layout.headerRows = kind == SourceKind::Rich ? 3 : kind == SourceKind::Formulas ? 2 : 1;
    layout.firstDataRow = layout.headerRows + 1;
    layout.lastDataRow = layout.firstDataRow + size.rows - 1;
    if (size.editRange)
        layout.editRange = a1ColumnName(3) + QString::number(layout.firstDataRow) + QLatin1Char(':')
                       + a1ColumnName(size.columns) + QString::number(layout.lastDataRow);
    return layout;
}

QString sourceFileName(const BenchSize &size, SourceKind kind)
{
    return QStringLiteral("bench-%1-%2.xlsx").arg(size.name, kindName(kind));
}
