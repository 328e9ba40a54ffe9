// What the measuring children report and how the parent reads it: result
// lines, run and floor figures, and the /proc readings behind the memory
// columns.

#include "FloorMeasure.h"
#include "OfficeWatcher.h"
#include "ProcessMemory.h"
#include "ResultLine.h"
#include "RunMeasure.h"

#include <QProcess>
#include <QtTest>

#include <unistd.h>

#include <cstring>
#include <vector>

class BenchProbeTest : public QObject
{
    Q_OBJECT

private slots:
    void resultLinesSurviveAnyTextAndNoise()
    {
        ResultFields a;
        a.insert(QStringLiteral("text"), QString::fromUtf8("文件格式不正确,请重新设计汇总表 a=b c%d"));
        a.insert(QStringLiteral("wall_ms"), QStringLiteral("1234"));
        a.insert(QStringLiteral("empty"), QString());
        ResultFields b;
        b.insert(QStringLiteral("run"), QStringLiteral("2"));

        const QByteArray output = "warning: something\n" + encodeResultLine(a) + "@bench-resultless x=1\n"
                                  + encodeResultLine(b).replace('\n', "\r\n") + "tail without newline";
        const QList<ResultFields> read = decodeResultLines(output);
        QCOMPARE(read.size(), 2);
        QCOMPARE(read.at(0), a);
        QCOMPARE(read.at(1), b);
        QCOMPARE(encodeResultLine(a).count('\n'), 1);

        QCOMPARE(fieldNumber(a, QStringLiteral("wall_ms")), qint64(1234));
        QCOMPARE(fieldNumber(a, QStringLiteral("text"), 7), qint64(7));
        QCOMPARE(fieldNumber(a, QStringLiteral("missing")), qint64(-1));
    }

    void runFiguresTravelIntact()
    {
        RunMeasure m;
        m.run = 3;
        m.wallMs = 65432;
        m.engineCalls = 3000123;
        m.roundTrips = 4567;
        m.programPeakKb = 204800;
        m.peakIsPerRun = true;
        m.programRssAfterKb = 150000;
        m.officePeakKb = 900000;
        m.programCpuMs = 41000;
        m.officeCpuMs = 230000;
        m.lastText = QString::fromUtf8("成功生成汇总分类表!");
        m.success = true;
        m.resultBytes = 123456;
        m.resultPath = QStringLiteral("/tmp/out dir/bench-M-rich.xlsx");

        const QList<ResultFields> lines = decodeResultLines(encodeResultLine(toFields(m)));
        QCOMPARE(lines.size(), 1);
        const RunMeasure back = runMeasureFrom(lines.first());
        QCOMPARE(back.run, m.run);
        QCOMPARE(back.wallMs, m.wallMs);
        QCOMPARE(back.engineCalls, m.engineCalls);
        QCOMPARE(back.roundTrips, m.roundTrips);
        QCOMPARE(back.programPeakKb, m.programPeakKb);
        QCOMPARE(back.peakIsPerRun, true);
        QCOMPARE(back.programRssAfterKb, m.programRssAfterKb);
        QCOMPARE(back.officePeakKb, m.officePeakKb);
        QCOMPARE(back.programCpuMs, m.programCpuMs);
        QCOMPARE(back.officeCpuMs, m.officeCpuMs);
        QCOMPARE(back.lastText, m.lastText);
        QCOMPARE(back.success, true);
        QCOMPARE(back.resultBytes, m.resultBytes);
        QCOMPARE(back.resultPath, m.resultPath);
        QCOMPARE(outcomeOf(back), QStringLiteral("ok"));
    }

    void onlyASuccessWithAFileIsOk()
    {
        const QString done = QString::fromUtf8("成功生成分类汇总表!");
        QCOMPARE(outcomeText(true, 5000, done), QStringLiteral("ok"));
        // The job claims success but nothing was written: not ok.
        QCOMPARE(outcomeText(true, -1, done), QStringLiteral("success reported, but no result file"));
        QCOMPARE(outcomeText(true, 0, done), QStringLiteral("success reported, but no result file"));
        const QString refused = QString::fromUtf8("文件格式不正确,或文件不存在!");
        QCOMPARE(outcomeText(false, 5000, refused), refused);
        QCOMPARE(outcomeText(false, -1, QString()), QStringLiteral("no text from the job"));

        RunMeasure stale;
        stale.lastText = QString::fromUtf8("正在拆分到：Cat03");
        stale.resultBytes = 999;
        QCOMPARE(outcomeOf(stale), stale.lastText);
    }

    void resultPathFollowsTheSourceName()
    {
        QCOMPARE(expectedResultPath(QStringLiteral("/w/bench-S-plain.xlsx"), QStringLiteral("/w/out")),
                 QStringLiteral("/w/out/bench-S-plain.xlsx"));
        QCOMPARE(expectedResultPath(QStringLiteral("/w/report.final.XLSX"), QStringLiteral("/w/out/")),
                 QStringLiteral("/w/out/report.final.xlsx"));
    }

    // A run clears the last run's result first; with the output folder the
    // source's own (which the job refuses), that path is the source.
    void earlierResultGoesButNeverTheSource()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString source = dir.filePath(QStringLiteral("report.xlsx"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the user's workbook");
        file.close();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
        const QString earlier = expectedResultPath(source, dir.filePath(QStringLiteral("out")));
        QVERIFY(QFile::copy(source, earlier));

        QVERIFY(!clearEarlierResult(expectedResultPath(source, dir.path()), source));
        QVERIFY(!clearEarlierResult(dir.path() + QStringLiteral("/./report.xlsx"), source));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("the user's workbook"));
        QVERIFY(clearEarlierResult(earlier, source));
        QVERIFY(!QFileInfo::exists(earlier));
    }

    void floorIsStartLoadSourceAndSaveResult()
    {
        FloorMeasure f;
        f.startMs = 2000;
        f.loadSourceMs = 1000;
        f.saveSourceMs = 700;
        f.loadResultMs = {1500, -1};
        f.saveResultMs = {1200, -1};
        f.quitMs = 300;
        QCOMPARE(floorMs(f, 0), qint64(4200));
        // A result that could not be saved, or none at all: the source's save stands in.
        QCOMPARE(floorMs(f, 1), qint64(3700));
        QCOMPARE(floorMs(f, -1), qint64(3700));
        QCOMPARE(floorMs(f, 5), qint64(3700));

        FloorMeasure noStart = f;
        noStart.startMs = -1;
        QCOMPARE(floorMs(noStart, 0), qint64(-1));
        FloorMeasure nothingSaved = f;
        nothingSaved.saveSourceMs = -1;
        QCOMPARE(floorMs(nothingSaved, 1), qint64(-1));

        f.error = QStringLiteral("cannot save floor-result-2.xlsx");
        const FloorMeasure back = floorMeasureFrom(decodeResultLines(encodeResultLine(toFields(f))).first());
        QCOMPARE(back.startMs, f.startMs);
        QCOMPARE(back.loadSourceMs, f.loadSourceMs);
        QCOMPARE(back.saveSourceMs, f.saveSourceMs);
        QCOMPARE(back.loadResultMs, f.loadResultMs);
        QCOMPARE(back.saveResultMs, f.saveResultMs);
        QCOMPARE(back.quitMs, f.quitMs);
        QCOMPARE(back.error, f.error);

        FloorMeasure empty;
        QVERIFY(floorMeasureFrom(decodeResultLines(encodeResultLine(toFields(empty))).first()).saveResultMs.isEmpty());
    }

    void saveFormatFollowsTheEnding()
    {
        QCOMPARE(saveFormatFor(QStringLiteral("a.xlsx")), 51);
        QCOMPARE(saveFormatFor(QStringLiteral("a.XLS")), 56);
        QCOMPARE(saveFormatFor(QStringLiteral("a.xlsm")), 52);
    }

    void procTextsAreRead()
    {
        const QByteArray status = "Name:\tsoffice.bin\nVmPeak:\t 2000000 kB\nVmHWM:\t  812344 kB\nVmRSS:\t  700000 kB\nThreads:\t9\n";
        QCOMPARE(statusFieldKb(status, "VmHWM"), qint64(812344));
        QCOMPARE(statusFieldKb(status, "VmRSS"), qint64(700000));
        QCOMPARE(statusFieldKb(status, "VmSwap"), qint64(-1));
        QCOMPARE(statusFieldKb(status, "Vm"), qint64(-1));

        StatInfo info;
        QVERIFY(parseStatLine("4242 (soffice.bin) S 77 4242 4242 0 -1 4194560 9000 0 12 0 1500 250 0 0 20 0 9 0",
                              &info));
        QCOMPARE(info.command, QByteArray("soffice.bin"));
        QCOMPARE(info.parentPid, qint64(77));
        QCOMPARE(info.cpuTicks, qint64(1750));
        // A name with blanks and a closing bracket of its own; a short line has no times.
        QVERIFY(parseStatLine("9 (a) b (c) R 12 9 9", &info));
        QCOMPARE(info.command, QByteArray("a) b (c"));
        QCOMPARE(info.parentPid, qint64(12));
        QCOMPARE(info.cpuTicks, qint64(-1));
        QVERIFY(!parseStatLine("garbage", &info));
        QVERIFY(!parseStatLine("9 (x) R", &info));
        QCOMPARE(ticksToMs(-1), qint64(-1));
        QCOMPARE(ticksToMs(::sysconf(_SC_CLK_TCK)), qint64(1000));

        QCOMPARE(kbToMb(-1), qint64(-1));
        QCOMPARE(kbToMb(1536), qint64(2));
        QCOMPARE(kbToMb(1535), qint64(1));
    }

    void childrenAreFoundByParentAndName()
    {
        QProcess sleeper;
        sleeper.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        const qint64 pid = sleeper.processId();
        QVERIFY(childProcesses(::getpid(), QByteArrayLiteral("sleep")).contains(pid));
        QVERIFY(childProcesses(::getpid()).contains(pid));
        QVERIFY(!childProcesses(::getpid(), QByteArrayLiteral("soffice.bin")).contains(pid));

        OfficeWatcher watcher(20, QByteArrayLiteral("sleep"));
        watcher.start();
        QTRY_VERIFY(watcher.peakKb() > 0);
        QTRY_VERIFY(watcher.cpuMs() >= 0);
        watcher.stop();
        watcher.reset();
        QCOMPARE(watcher.peakKb(), qint64(-1));
        QCOMPARE(watcher.cpuMs(), qint64(-1));

        sleeper.kill();
        sleeper.waitForFinished();
        OfficeWatcher none(20, QByteArrayLiteral("sleep"));
        none.sample();
        QCOMPARE(none.peakKb(), qint64(-1));
    }

    void ownPeakCanBeMeasuredPerRun()
    {
        QVERIFY(ownRssKb() > 0);
        QVERIFY(ownCpuMs() >= 0);
        const qint64 before = ownPeakKb();
        QVERIFY(before > 0);
        {
            std::vector<char> block(96 * 1024 * 1024);
            std::memset(block.data(), 1, block.size());
            QVERIFY(ownPeakKb() >= before + 90 * 1024);
        }
        if (!resetOwnPeak())
            QSKIP("this kernel does not reset the peak resident size");
        QVERIFY(ownPeakKb() < before + 90 * 1024);
    }
};

QTEST_GUILESS_MAIN(BenchProbeTest)
#include "bench_probe_test.moc"
