#include "BenchTable.h"

#include <QMap>
#include <QPair>

namespace {

const QString missing = QString::fromUtf8("–");

QString orMissing(qint64 n, const QString &text)
{
    return n < 0 ? missing : text;
}

QString mb(qint64 n)
{
    return orMissing(n, QString::number(n));
}

QString markdownRow(const QStringList &cells)
{
    QStringList escaped;
    for (QString cell : cells) {
        cell.replace(QLatin1Char('|'), QStringLiteral("\\|"));
        cell.replace(QLatin1Char('\n'), QLatin1Char(' '));
        escaped << cell;
    }
    return QStringLiteral("| ") + escaped.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

QString markdownRule(int columns)
{
    QStringList cells;
    for (int i = 0; i < columns; ++i)
        cells << QStringLiteral("---");
    return QStringLiteral("|") + cells.join(QLatin1Char('|')) + QStringLiteral("|\n");
}

bool grows(qint64 first, qint64 last)
{
    if (first < 0 || last < 0)
        return false;
    return last - first > 8 && last * 100 > first * 105;
}

} // namespace

QString formatSeconds(qint64 ms)
{
    if (ms < 0)
        return missing;
    return QString::number(double(ms) / 1000.0, 'f', 1);
}

QString formatRatio(qint64 ms, qint64 floorMs)
{
    if (ms < 0 || floorMs <= 0)
        return missing;
    return QString::number(double(ms) / double(floorMs), 'f', 2);
}

QString formatCount(qint64 n)
{
    if (n < 0)
        return missing;
    QString digits = QString::number(n);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

QString renderTable(const QList<TableRow> &rows)
{
    const QStringList header{QStringLiteral("size"), QStringLiteral("kind"), QStringLiteral("job"),
                             QStringLiteral("rows"), QStringLiteral("wall s"), QStringLiteral("floor s"),
                             QStringLiteral("job/floor"), QStringLiteral("engine calls"),
                             QStringLiteral("UNO round trips"), QStringLiteral("program peak MB"),
                             QStringLiteral("office peak MB"), QStringLiteral("result")};
    QString out = markdownRow(header) + markdownRule(header.size());
    for (const TableRow &r : rows) {
        const QString wall = r.timedOut ? QStringLiteral("> %1").arg(r.timeoutSeconds) : formatSeconds(r.wallMs);
        const QString ratio = r.timedOut && r.floorMs > 0
                                  ? QStringLiteral("> ") + formatRatio(qint64(r.timeoutSeconds) * 1000, r.floorMs)
                                  : formatRatio(r.wallMs, r.floorMs);
        out += markdownRow({r.size, r.kind, r.job, r.rows < 0 ? QStringLiteral("–") : formatCount(r.rows), wall, formatSeconds(r.floorMs), ratio,
                            formatCount(r.engineCalls), formatCount(r.roundTrips), mb(r.programPeakMb),
                            mb(r.officePeakMb), r.result.isEmpty() ? missing : r.result});
    }
    return out;
}

QStringList goalLines(const QList<TableRow> &rows)
{
    QStringList lines;
    QMap<QPair<QString, QString>, qint64> mTimes;
    for (const TableRow &r : rows) {
        const QString what = QStringLiteral("%1 %2 %3").arg(r.size, r.kind, r.job);
        // An update is held to the fresh split it came from, the files to
        // the sheet split of the same summary (below).
        if (r.size == QLatin1String("M") && !r.job.contains(QLatin1String(" update"))
            && r.job != QLatin1String("files")) {
            if (r.timedOut) {
                lines << QStringLiteral("%1: job/floor at most 2: missed (timeout)").arg(what);
            } else if (r.wallMs >= 0 && r.floorMs > 0) {
                const bool met = r.wallMs <= 2 * r.floorMs;
                lines << QStringLiteral("%1: job/floor %2, at most 2: %3")
                             .arg(what, formatRatio(r.wallMs, r.floorMs), met ? QStringLiteral("met")
                                                                               : QStringLiteral("missed"));
            }
            if (r.wallMs >= 0 && !r.timedOut && r.result == QLatin1String("ok"))
                mTimes.insert({r.kind, r.job}, r.wallMs);
        }
    }
    // One workbook per category on M, against the sheet split of the same
    // summary; with many categories each file is held to the office's own
    // load and save instead (below).
    for (const TableRow &files : rows) {
        if (files.job != QLatin1String("files") || files.size != QLatin1String("M") || files.wallMs < 0
            || files.timedOut)
            continue;
        for (const TableRow &split : rows) {
            if (split.job != QLatin1String("classify") || split.size != files.size || split.kind != files.kind
                || split.wallMs <= 0 || split.timedOut)
                continue;
            const bool met = files.wallMs * 2 <= split.wallMs * 3;
            lines << QStringLiteral("%1 %2 files: files/classify %3, at most 1.5: %4")
                         .arg(files.size, files.kind, formatRatio(files.wallMs, split.wallMs),
                              met ? QStringLiteral("met") : QStringLiteral("missed"));
        }
    }
    // Each file against what the office needs for one: load and save.
    for (const TableRow &r : rows) {
        if (r.job != QLatin1String("files") || r.files <= 0 || r.fileFloorMs <= 0 || r.wallMs < 0 || r.timedOut)
            continue;
        const qint64 perFileMs = r.wallMs / r.files;
        const bool met = perFileMs <= 3 * r.fileFloorMs;
        lines << QStringLiteral("%1 %2 files: %3 files, %4 ms each, the office's load and save %5 ms; "
                                "each file at most 3 times that: %6 (%7)")
                     .arg(r.size, r.kind)
                     .arg(r.files)
                     .arg(perFileMs)
                     .arg(r.fileFloorMs)
                     .arg(met ? QStringLiteral("met") : QStringLiteral("missed"), formatRatio(perFileMs, r.fileFloorMs));
    }
    // Many categories: the time a category takes should not grow with the
    // sheets already made; the summary of formulas within 3 times its floor.
    for (const TableRow &r : rows) {
        if (r.firstCategoriesMs < 0 || r.lastCategoriesMs < 0)
            continue;
        lines << QStringLiteral("%1 %2 %3: a category %4 ms in the first hundred, %5 ms in the last")
                     .arg(r.size, r.kind, r.job)
                     .arg(r.firstCategoriesMs)
                     .arg(r.lastCategoriesMs);
    }
    for (const TableRow &r : rows) {
        if (r.kind != QLatin1String("formulas") || r.wallMs < 0 || r.floorMs <= 0 || r.timedOut)
            continue;
        const bool met = r.wallMs <= 3 * r.floorMs;
        lines << QStringLiteral("%1 %2 %3: job/floor %4, at most 3: %5")
                     .arg(r.size, r.kind, r.job, formatRatio(r.wallMs, r.floorMs), met ? QStringLiteral("met") : QStringLiteral("missed"));
    }
    // An update of a grown result, against the fresh split it came from.
    for (const TableRow &r : rows) {
        if (!r.job.contains(QLatin1String(" update")) || r.wallMs < 0 || r.floorMs <= 0)
            continue;
        const bool met = r.wallMs * 2 <= r.floorMs * 3;
        lines << QStringLiteral("%1 %2 %3: update/split %4, at most 1.5: %5")
                     .arg(r.size, r.kind, r.job, formatRatio(r.wallMs, r.floorMs), met ? QStringLiteral("met")
                                                                                      : QStringLiteral("missed"));
    }
    for (const TableRow &r : rows) {
        if (r.size != QLatin1String("L") || r.job.contains(QLatin1String(" update")))
            continue;
        const QString what = QStringLiteral("L %1 %2").arg(r.kind, r.job);
        const qint64 m = mTimes.value({r.kind, r.job}, -1);
        if (m > 0 && r.timedOut) {
            lines << QStringLiteral("%1: L/M time at most 6: missed (timeout)").arg(what);
        } else if (m > 0 && r.wallMs >= 0) {
            const bool met = r.wallMs <= 6 * m;
            lines << QStringLiteral("%1: L/M time %2, at most 6: %3")
                         .arg(what, formatRatio(r.wallMs, m), met ? QStringLiteral("met") : QStringLiteral("missed"));
        }
        if (r.programPeakMb >= 0) {
            const bool met = r.programPeakMb < 500;
            lines << QStringLiteral("%1: program peak %2 MB, under 500 MB: %3")
                         .arg(what).arg(r.programPeakMb).arg(met ? QStringLiteral("met") : QStringLiteral("missed"));
        }
    }
    return lines;
}

QString renderRepeatTable(const QString &title, const QList<RepeatRow> &rows)
{
    const QStringList header{QStringLiteral("run"), QStringLiteral("wall s"), QStringLiteral("engine calls"),
                             QStringLiteral("UNO round trips"), QStringLiteral("program peak MB"),
                             QStringLiteral("program after MB"), QStringLiteral("office peak MB"),
                             QStringLiteral("result")};
    QString out = title + QStringLiteral("\n\n") + markdownRow(header) + markdownRule(header.size());
    for (const RepeatRow &r : rows) {
        out += markdownRow({QString::number(r.run), formatSeconds(r.wallMs), formatCount(r.engineCalls),
                            formatCount(r.roundTrips), mb(r.programPeakMb), mb(r.programRssAfterMb),
                            mb(r.officePeakMb), r.result.isEmpty() ? missing : r.result});
    }
    return out;
}

QStringList growthLines(const QList<RepeatRow> &rows)
{
    QStringList lines;
    if (rows.size() < 2) {
        lines << QStringLiteral("fewer than two runs: nothing to compare");
        return lines;
    }
    const RepeatRow &first = rows.first();
    const RepeatRow &last = rows.last();
    const auto memory = [&](const QString &name, qint64 a, qint64 b) {
        if (a < 0 || b < 0)
            return;
        lines << QStringLiteral("%1: run %2 %3 MB, run %4 %5 MB: %6")
                     .arg(name).arg(first.run).arg(a).arg(last.run).arg(b)
                     .arg(grows(a, b) ? QStringLiteral("grows") : QStringLiteral("steady"));
    };
    memory(QStringLiteral("program peak"), first.programPeakMb, last.programPeakMb);
    memory(QStringLiteral("program after the run"), first.programRssAfterMb, last.programRssAfterMb);
    memory(QStringLiteral("office peak"), first.officePeakMb, last.officePeakMb);
    const auto count = [&](const QString &name, qint64 a, qint64 b) {
        if (a < 0 || b < 0)
            return;
        lines << QStringLiteral("%1: run %2 %3, run %4 %5: %6")
                     .arg(name).arg(first.run).arg(formatCount(a)).arg(last.run).arg(formatCount(b))
                     .arg(b > a ? QStringLiteral("grows") : QStringLiteral("steady"));
    };
    count(QStringLiteral("engine calls"), first.engineCalls, last.engineCalls);
    count(QStringLiteral("UNO round trips"), first.roundTrips, last.roundTrips);
    return lines;
}
