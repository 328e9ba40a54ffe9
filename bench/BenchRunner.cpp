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
#include "UpdateMeasure.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace {

// The workbooks a files job saved under its output folder.
int workbooksUnder(const QString &folder)
{
    int count = 0;
    QDirIterator it(folder, {QStringLiteral("*.xls"), QStringLiteral("*.xlsx"), QStringLiteral("*.xlsm")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

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

namespace {

// One source the table runs the jobs on: generated, or a copy of a file
// given with --file.
struct SourceCase
{
    QString size;        // the table's size column: "M", or the file's name
    QString kind;        // "plain", "rich" or "file"
    int rows = -1;       // data rows; -1 when not known
    SourceLayout layout;
    QString path;
    QString error;       // why there is no source; empty when there is one
};

QString caseName(const SourceCase &source, BenchJob job)
{
    return QStringLiteral("%1 %2 %3").arg(source.size, source.kind, jobName(job));
}

// Runs the jobs on one source, then measures its floor with their results.
void runSourceCases(const BenchOptions &options, const WorkFolder &work, const SourceCase &source,
                    QList<TableRow> &rows, bool &allOk)
{
    QList<int> rowIndexes;       // table rows of this source
    QStringList resultPaths;     // results handed to the floor
    QStringList resultJobs;
    QList<int> resultOf;         // per table row: index into resultPaths, or -1
    for (BenchJob job : options.jobs) {
        TableRow row;
        row.size = source.size;
        row.kind = source.kind;
        row.job = jobName(job);
        row.rows = source.rows;
        row.timeoutSeconds = options.timeoutSeconds;
        int resultIndex = -1;
        qint64 cpuProgram = -1;
        qint64 cpuOffice = -1;
        if (!source.error.isEmpty()) {
            row.result = QStringLiteral("no source: ") + source.error;
        } else {
            const QString outDir = work.path(QStringLiteral("out-%1-%2-%3").arg(source.size, source.kind, jobName(job)));
            QDir().mkpath(outDir);
            say(QStringLiteral("running %1").arg(caseName(source, job)));
            const ChildOutcome child = runChild(runOneArguments(job, source.path, outDir, source.layout.headerRows,
                                                                source.layout.editRange, 1, options.profile),
                                                options.timeoutSeconds, options.verbose || options.profile);
            if (!child.results.isEmpty()) {
                const RunMeasure m = runMeasureFrom(child.results.first());
                row.wallMs = m.wallMs;
                row.engineCalls = qint64(m.engineCalls);
                row.roundTrips = qint64(m.roundTrips);
                row.programPeakMb = kbToMb(m.programPeakKb);
                row.officePeakMb = kbToMb(m.officePeakKb);
                row.result = outcomeOf(m);
                row.firstCategoriesMs = m.firstCategoriesMs;
                row.lastCategoriesMs = m.lastCategoriesMs;
                if (m.success && job == BenchJob::Files)
                    row.files = workbooksUnder(outDir);
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
                    .arg(caseName(source, job), formatSeconds(row.wallMs), formatSeconds(cpuProgram),
                         formatSeconds(cpuOffice), row.result));
        }
        allOk = allOk && row.result == QLatin1String("ok");
        rowIndexes << rows.size();
        resultOf << resultIndex;
        rows << row;
        if (resultIndex >= 0 && options.updateRecords > 0) {
            const QString name = QStringLiteral("%1-%2-%3").arg(source.size, source.kind, jobName(job));
            UpdateCase update{job, resultPaths.last(), work.path(QStringLiteral("grown-%1.xlsx").arg(name)),
                              work.path(QStringLiteral("alone-%1.xlsx").arg(name)),
                              work.path(QStringLiteral("update-%1").arg(name)), source.layout, options.updateRecords,
                              options.timeoutSeconds, options.verbose};
            say(QStringLiteral("updating %1 with %2 new records").arg(caseName(source, job)).arg(options.updateRecords));
            rows << measureUpdate(update, row);
            say(QStringLiteral("  %1: %2 s, fresh split of its summary %3 s, %4")
                    .arg(rows.last().job, formatSeconds(rows.last().wallMs), formatSeconds(rows.last().floorMs),
                         rows.last().result));
            allOk = allOk && rows.last().result == QLatin1String("ok");
        }
    }

    if (!source.error.isEmpty())
        return;
    const QString fileName = QFileInfo(source.path).fileName();
    say(QStringLiteral("measuring the floor of %1").arg(fileName));
    const ChildOutcome floorChild = runChild(
        floorArguments(source.path, work.path(QStringLiteral("floor-%1-%2").arg(source.size, source.kind)), resultPaths),
        options.timeoutSeconds, options.verbose);
    if (floorChild.results.isEmpty()) {
        say(QStringLiteral("floor of %1: %2").arg(fileName, childFailureText(floorChild)));
        return;
    }
    const FloorMeasure floor = floorMeasureFrom(floorChild.results.first());
    say(floorPartsLine(source.size + QLatin1Char(' ') + source.kind, floor, resultJobs));
    for (int i = 0; i < rowIndexes.size(); ++i) {
        TableRow &row = rows[rowIndexes.at(i)];
        row.floorMs = floorMs(floor, resultOf.at(i));
        if (row.files > 0 && floor.loadSourceMs >= 0 && floor.saveSourceMs >= 0)
            row.fileFloorMs = floor.loadSourceMs + floor.saveSourceMs;
    }
}

// A workbook of the user's, copied into the work folder (the jobs never see
// the original): the summary is its first sheet, the categories in column 1
// under one header row, split without an editable range.
SourceCase fileCase(const WorkFolder &work, const QString &file)
{
    SourceCase source;
    const QFileInfo info(file);
    source.size = info.completeBaseName();
    source.kind = QStringLiteral("file");
    source.layout.headerRows = 1;
    source.path = work.path(QStringLiteral("file-%1/%2").arg(source.size, info.fileName()));
    QDir().mkpath(QFileInfo(source.path).path());
    QFile::remove(source.path);
    if (!info.isFile())
        source.error = QStringLiteral("%1 is no file").arg(file);
    else if (!QFile::copy(file, source.path))
        source.error = QStringLiteral("cannot copy %1").arg(file);
    else
        QFile::setPermissions(source.path, QFile::permissions(source.path) | QFileDevice::WriteOwner);
    return source;
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
            SourceCase source;
            source.size = size.name;
            source.kind = kindName(kind);
            source.rows = size.rows;
            source.layout = layoutFor(size, kind);
            source.path = work.path(sourceFileName(size, kind));
            say(QStringLiteral("generating %1 (%2 rows x %3 columns, %4 categories)")
                    .arg(QFileInfo(source.path).fileName()).arg(size.rows).arg(size.columns).arg(size.categories));
            QString error;
            if (!makeSource(size, kind, source.path, error))
                source.error = error.isEmpty() ? QStringLiteral("not generated") : error;
            runSourceCases(options, work, source, rows, allOk);
        }
    }
    for (const QString &file : options.files)
        runSourceCases(options, work, fileCase(work, file), rows, allOk);

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
