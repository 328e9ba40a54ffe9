#include "BenchRunner.h"

#include "BenchTable.h"
#include "ChildRunner.h"
#include "FloorProbe.h"
#include "JobProbe.h"
#include "MachineInfo.h"
#include "OfficeWatcher.h"
#include "ProfilingBackend.h"
#include "ProcessMemory.h"
#include "SourceMaker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace {

QTextStream &utf8Stream(FILE *file)
{
    QTextStream *stream = new QTextStream(file);
    stream->setCodec("UTF-8");
    return *stream;
}

QTextStream &out()
{
    static QTextStream &stream = utf8Stream(stdout);
    return stream;
}

QTextStream &progress()
{
    static QTextStream &stream = utf8Stream(stderr);
    return stream;
}

void say(const QString &text)
{
    progress() << text << '\n';
    progress().flush();
}

// The folder everything is generated into: --keep DIR, or a temporary one
// that goes when the run ends.
class WorkFolder
{
public:
    explicit WorkFolder(const QString &keep)
    {
        if (!keep.isEmpty()) {
            QDir().mkpath(keep);
            m_path = QDir(keep).absolutePath();
        } else {
            m_temporary = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/sheetsplicer-bench-XXXXXX"));
            if (m_temporary->isValid())
                m_path = m_temporary->path();
        }
    }
    bool isValid() const { return !m_path.isEmpty() && QDir(m_path).exists(); }
    QString path(const QString &name) const { return m_path + QLatin1Char('/') + name; }

private:
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_temporary;
};

QString caseName(const BenchSize &size, SourceKind kind, BenchJob job)
{
    return QStringLiteral("%1 %2 %3").arg(size.name, kindName(kind), jobName(job));
}

QString childFailureText(const ChildOutcome &child)
{
    if (child.timedOut)
        return QStringLiteral("timeout");
    if (!child.failure.isEmpty())
        return child.failure;
    return QStringLiteral("no measurement from the child");
}

QString floorPartsLine(const QString &what, const FloorMeasure &f, const QStringList &jobs)
{
    QString line = QStringLiteral("floor %1: start %2 s, load source %3 s, save source %4 s")
                       .arg(what, formatSeconds(f.startMs), formatSeconds(f.loadSourceMs), formatSeconds(f.saveSourceMs));
    for (int i = 0; i < jobs.size(); ++i) {
        line += QStringLiteral("; %1 result: load %2 s, save %3 s")
                    .arg(jobs.at(i), formatSeconds(f.loadResultMs.value(i, -1)), formatSeconds(f.saveResultMs.value(i, -1)));
    }
    line += QStringLiteral("; quit %1 s").arg(formatSeconds(f.quitMs));
    if (!f.error.isEmpty())
        line += QStringLiteral(" (") + f.error + QLatin1Char(')');
    return line;
}

} // namespace

int runBenchTable(const BenchOptions &options)
{
    const WorkFolder work(options.keepDir);
    if (!work.isValid()) {
        say(QStringLiteral("sheetsplicer-bench: cannot make a work folder"));
        return 1;
    }
    const QString machine = machineLine();
    say(machine);
    const QString loadAtStart = loadAverage();

    QList<TableRow> rows;
    bool allOk = true;
    for (const BenchSize &size : options.sizes) {
        for (SourceKind kind : options.kinds) {
            const SourceLayout layout = layoutFor(size, kind);
            const QString source = work.path(sourceFileName(size, kind));
            say(QStringLiteral("generating %1 (%2 rows x %3 columns, %4 categories)")
                    .arg(QFileInfo(source).fileName()).arg(size.rows).arg(size.columns).arg(size.categories));
            QString error;
            const bool generated = makeSource(size, kind, source, error);

            QList<int> rowIndexes;       // table rows of this source
            QStringList resultPaths;     // results handed to the floor
            QStringList resultJobs;
            QList<int> resultOf;         // per table row: index into resultPaths, or -1
            for (BenchJob job : options.jobs) {
                TableRow row;
                row.size = size.name;
                row.kind = kindName(kind);
                row.job = jobName(job);
                row.rows = size.rows;
                row.timeoutSeconds = options.timeoutSeconds;
                int resultIndex = -1;
                qint64 cpuProgram = -1;
                qint64 cpuOffice = -1;
                if (!generated) {
                    row.result = QStringLiteral("no source: ") + error;
                } else {
                    const QString outDir = work.path(QStringLiteral("out-%1-%2-%3").arg(size.name, kindName(kind), jobName(job)));
                    QDir().mkpath(outDir);
                    say(QStringLiteral("running %1").arg(caseName(size, kind, job)));
                    const ChildOutcome child = runChild(
                        runOneArguments(job, source, outDir, layout.headerRows, layout.editRange, 1, options.profile),
                        options.timeoutSeconds, options.verbose || options.profile);
                    if (!child.results.isEmpty()) {
                        const RunMeasure m = runMeasureFrom(child.results.first());
                        row.wallMs = m.wallMs;
                        row.engineCalls = qint64(m.engineCalls);
                        row.roundTrips = qint64(m.roundTrips);
                        row.programPeakMb = kbToMb(m.programPeakKb);
                        row.officePeakMb = kbToMb(m.officePeakKb);
                        row.result = outcomeOf(m);
                        cpuProgram = m.programCpuMs;
                        cpuOffice = m.officeCpuMs;
                        if (m.success) {
                            resultIndex = resultPaths.size();
                            resultPaths << m.resultPath;
                            resultJobs << jobName(job);
                        }
                    } else {
                        row.timedOut = child.timedOut;
                        row.result = childFailureText(child);
                    }
                    say(QStringLiteral("  %1: %2 s (CPU: program %3 s, office %4 s), %5")
                            .arg(caseName(size, kind, job), formatSeconds(row.wallMs), formatSeconds(cpuProgram),
                                 formatSeconds(cpuOffice), row.result));
                }
                allOk = allOk && row.result == QLatin1String("ok");
                rowIndexes << rows.size();
                resultOf << resultIndex;
                rows << row;
            }

            if (!generated)
                continue;
            say(QStringLiteral("measuring the floor of %1").arg(QFileInfo(source).fileName()));
            const ChildOutcome floorChild = runChild(
                floorArguments(source, work.path(QStringLiteral("floor-%1-%2").arg(size.name, kindName(kind))), resultPaths),
                options.timeoutSeconds, options.verbose);
            if (floorChild.results.isEmpty()) {
                say(QStringLiteral("floor of %1: %2").arg(QFileInfo(source).fileName(), childFailureText(floorChild)));
                continue;
            }
            const FloorMeasure floor = floorMeasureFrom(floorChild.results.first());
            say(floorPartsLine(size.name + QLatin1Char(' ') + kindName(kind), floor, resultJobs));
            for (int i = 0; i < rowIndexes.size(); ++i)
                rows[rowIndexes.at(i)].floorMs = floorMs(floor, resultOf.at(i));
        }
    }

    out() << machine << "\n\n" << renderTable(rows) << "\nLoad average (1 min): " << loadAtStart
          << " at the start, " << loadAverage() << " at the end.\n";
    const QStringList goals = goalLines(rows);
    if (!goals.isEmpty()) {
        out() << '\n';
        for (const QString &line : goals)
            out() << "- " << line << '\n';
    }
    out().flush();
    return allOk ? 0 : 1;
}

int runBenchRepeat(const BenchOptions &options)
{
    const WorkFolder work(options.keepDir);
    if (!work.isValid()) {
        say(QStringLiteral("sheetsplicer-bench: cannot make a work folder"));
        return 1;
    }
    const QString machine = machineLine();
    say(machine);
    out() << machine << '\n';

    bool allOk = true;
    for (const BenchSize &size : options.sizes) {
        for (SourceKind kind : options.kinds) {
            const SourceLayout layout = layoutFor(size, kind);
            const QString source = work.path(sourceFileName(size, kind));
            say(QStringLiteral("generating %1").arg(QFileInfo(source).fileName()));
            QString error;
            if (!makeSource(size, kind, source, error)) {
                say(QStringLiteral("no source: ") + error);
                allOk = false;
                continue;
            }
            for (BenchJob job : options.jobs) {
                const QString outDir = work.path(QStringLiteral("out-%1-%2-%3").arg(size.name, kindName(kind), jobName(job)));
                QDir().mkpath(outDir);
                say(QStringLiteral("running %1, %2 times in one process").arg(caseName(size, kind, job)).arg(options.repeat));
                const ChildOutcome child = runChild(
                    runOneArguments(job, source, outDir, layout.headerRows, layout.editRange, options.repeat,
                                    options.profile),
                    options.timeoutSeconds * options.repeat, options.verbose || options.profile);
                QList<RepeatRow> rows;
                bool perRun = true;
                for (const ResultFields &fields : child.results) {
                    const RunMeasure m = runMeasureFrom(fields);
                    RepeatRow row;
                    row.run = m.run;
                    row.wallMs = m.wallMs;
                    row.engineCalls = qint64(m.engineCalls);
                    row.roundTrips = qint64(m.roundTrips);
                    row.programPeakMb = kbToMb(m.programPeakKb);
                    row.programRssAfterMb = kbToMb(m.programRssAfterKb);
                    row.officePeakMb = kbToMb(m.officePeakKb);
                    row.result = outcomeOf(m);
                    perRun = perRun && m.peakIsPerRun;
                    allOk = allOk && m.success;
                    rows << row;
                }
                if (rows.size() < options.repeat) {
                    RepeatRow row;
                    row.run = rows.size() + 1;
                    row.result = childFailureText(child);
                    rows << row;
                    allOk = false;
                }
                QString title = QStringLiteral("### %1 x %2").arg(caseName(size, kind, job)).arg(options.repeat);
                if (!perRun)
                    title += QStringLiteral(" (program peak is the process's peak so far: the kernel refused to reset it)");
                out() << '\n' << renderRepeatTable(title, rows) << '\n';
                for (const QString &line : growthLines(rows))
                    out() << "- " << line << '\n';
                out().flush();
            }
        }
    }
    return allOk ? 0 : 1;
}

int runOneChild(const BenchOptions &options)
{
    JobRequest request;
    request.job = options.childJob;
    request.source = options.childSource;
    request.outDir = options.childOutDir;
    request.headerRows = options.childHeaderRows;
    request.editRange = options.childEditRange;

    auto profile = std::make_shared<MemberProfile>();
    if (options.childProfile) {
        registerBackend(QStringLiteral("Excel.Application"), [profile](const QString &progId) {
            return profiledNode(createPlatformBackend(progId), profile);
        });
    }

    OfficeWatcher watcher;
    watcher.start();
    QFile stdoutFile;
    stdoutFile.open(stdout, QIODevice::WriteOnly);
    for (int run = 1; run <= options.childRuns; ++run) {
        const RunMeasure measure = runJobOnce(request, watcher, run);
        stdoutFile.write(encodeResultLine(toFields(measure)));
        stdoutFile.flush();
        if (options.childProfile) {
            say(QStringLiteral("  run %1: %2 s, of which %3 s in the backend; the members that took longest:")
                    .arg(run).arg(formatSeconds(measure.wallMs), formatSeconds(profile->totalNs() / 1000000)));
            for (const QString &line : profileLines(*profile, 12))
                say(line);
            profile->clear();
        }
    }
    watcher.stop();
    return 0;
}

int runFloorChild(const BenchOptions &options)
{
    const FloorMeasure measure = measureFloor(options.childSource, options.floorScratch, options.floorResults);
    QFile stdoutFile;
    stdoutFile.open(stdout, QIODevice::WriteOnly);
    stdoutFile.write(encodeResultLine(toFields(measure)));
    stdoutFile.flush();
    return 0;
}
