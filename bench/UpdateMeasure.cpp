#include "UpdateMeasure.h"

#include "BenchOptions.h"
#include "ChildRunner.h"
#include "ProcessMemory.h"
#include "RunMeasure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {

QString growScriptPath()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/grow_result.py");
    if (QFileInfo(beside).isFile())
        return beside;
    return QStringLiteral(BENCH_SOURCE_DIR "/grow_result.py");
}

} // namespace

namespace {

// One job on `source` in a child; the measure, or the failure's text.
std::optional<RunMeasure> runJob(const UpdateCase &update, const QString &source, const QString &outDir,
                                 TableRow &row)
{
    QDir().mkpath(outDir);
    const ChildOutcome child = runChild(runOneArguments(update.job, source, outDir, update.layout.headerRows,
                                                        update.layout.editRange, 1),
                                        update.timeoutSeconds, update.verbose);
    if (child.results.isEmpty()) {
        row.timedOut = child.timedOut;
        row.result = childFailureText(child);
        return std::nullopt;
    }
    return runMeasureFrom(child.results.first());
}

} // namespace

TableRow measureUpdate(const UpdateCase &update, const TableRow &fresh)
{
    TableRow row = fresh;
    row.job = fresh.job + QStringLiteral(" update +") + QString::number(update.records);
    row.wallMs = row.floorMs = row.engineCalls = row.roundTrips = row.programPeakMb = row.officePeakMb = -1;
    QByteArray output;
    QString error;
    if (!runTool(QStringLiteral("/usr/bin/python3"),
                 {growScriptPath(), jobName(update.job), update.result, update.grown, update.alone,
                  QString::number(update.records), QString::number(update.layout.firstDataRow)},
                 update.timeoutSeconds, output, error)) {
        row.result = QStringLiteral("not grown: ") + error;
        return row;
    }
    const std::optional<RunMeasure> split = runJob(update, update.alone, update.outDir + QStringLiteral("/fresh"), row);
    if (!split)
        return row;
    row.floorMs = split->success ? split->wallMs : -1;
    const std::optional<RunMeasure> m = runJob(update, update.grown, update.outDir + QStringLiteral("/update"), row);
    if (!m)
        return row;
    row.wallMs = m->wallMs;
    row.engineCalls = qint64(m->engineCalls);
    row.roundTrips = qint64(m->roundTrips);
    row.programPeakMb = kbToMb(m->programPeakKb);
    row.officePeakMb = kbToMb(m->officePeakKb);
    row.result = split->success ? outcomeOf(*m) : QStringLiteral("fresh split: ") + outcomeOf(*split);
    return row;
}
