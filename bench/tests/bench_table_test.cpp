// The printed tables and what they say about the goals.

#include "BenchTable.h"

#include <QtTest>

namespace {

TableRow row(const QString &size, const QString &kind, const QString &job, qint64 wallMs, qint64 floorMs)
{
    TableRow r;
    r.size = size;
    r.kind = kind;
    r.job = job;
    r.rows = size == QLatin1String("L") ? 50000 : 10000;
    r.wallMs = wallMs;
    r.floorMs = floorMs;
    r.result = QStringLiteral("ok");
    return r;
}

RepeatRow repeat(int run, qint64 peak, qint64 after, qint64 office, qint64 calls)
{
    RepeatRow r;
    r.run = run;
    r.wallMs = 1000;
    r.engineCalls = calls;
    r.roundTrips = calls / 10;
    r.programPeakMb = peak;
    r.programRssAfterMb = after;
    r.officePeakMb = office;
    r.result = QStringLiteral("ok");
    return r;
}

const QString dash = QString::fromUtf8("–");

} // namespace

class BenchTableTest : public QObject
{
    Q_OBJECT

private slots:
    void numbersAreFormattedForReading()
    {
        QCOMPARE(formatCount(0), QStringLiteral("0"));
        QCOMPARE(formatCount(999), QStringLiteral("999"));
        QCOMPARE(formatCount(1000), QStringLiteral("1,000"));
        QCOMPARE(formatCount(1234567), QStringLiteral("1,234,567"));
        QCOMPARE(formatCount(-1), dash);
        QCOMPARE(formatSeconds(1240), QStringLiteral("1.2"));
        QCOMPARE(formatSeconds(61260), QStringLiteral("61.3"));
        QCOMPARE(formatSeconds(0), QStringLiteral("0.0"));
        QCOMPARE(formatSeconds(-1), dash);
        QCOMPARE(formatRatio(3000, 1500), QStringLiteral("2.00"));
        QCOMPARE(formatRatio(3000, 0), dash);
        QCOMPARE(formatRatio(-1, 1500), dash);
    }

    void tableHasOneLinePerRowAndTheAgreedColumns()
    {
        TableRow failed = row(QStringLiteral("S"), QStringLiteral("rich"), QStringLiteral("link"), 900, 3000);
        failed.result = QStringLiteral("a | b\nsecond line");
        TableRow late = row(QStringLiteral("M"), QStringLiteral("plain"), QStringLiteral("classify"), -1, 4000);
        late.timedOut = true;
        late.timeoutSeconds = 600;
        late.result = QStringLiteral("timeout");
        const QString table = renderTable({row(QStringLiteral("S"), QStringLiteral("plain"), QStringLiteral("classify"), 4500, 3000),
                                           failed, late});
        const QStringList lines = table.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QStringLiteral("| size | kind | job | rows | wall s | floor s | job/floor | engine calls | "
                                             "UNO round trips | program peak MB | office peak MB | result |"));
        QCOMPARE(lines.at(1).count(QLatin1Char('|')), 13);
        QVERIFY(lines.at(2).startsWith(QStringLiteral("| S | plain | classify | 10,000 | 4.5 | 3.0 | 1.50 | ")));
        // A failure text can neither break the row nor add a column.
        QVERIFY(lines.at(3).endsWith(QStringLiteral("| a \\| b second line |")));
        QCOMPARE(lines.at(3).count(QLatin1Char('|')) - lines.at(3).count(QStringLiteral("\\|")), 13);
        QVERIFY(lines.at(4).contains(QStringLiteral("| > 600 | 4.0 | > 150.00 |")));
        QVERIFY(lines.at(4).endsWith(QStringLiteral("| timeout |")));
    }

    void goalsOnlyForWhatWasMeasured()
    {
        QVERIFY(goalLines({row(QStringLiteral("S"), QStringLiteral("plain"), QStringLiteral("classify"), 10, 5)}).isEmpty());

        const QStringList lines = goalLines({
            row(QStringLiteral("M"), QStringLiteral("plain"), QStringLiteral("classify"), 8000, 4000),
            row(QStringLiteral("M"), QStringLiteral("plain"), QStringLiteral("link"), 8001, 4000),
        });
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("M plain classify: job/floor 2.00")));
        QVERIFY(lines.at(0).endsWith(QStringLiteral(": met")));
        QVERIFY(lines.at(1).endsWith(QStringLiteral(": missed")));
    }

    void largeIsComparedWithMediumOfTheSameKindAndJob()
    {
        TableRow large = row(QStringLiteral("L"), QStringLiteral("rich"), QStringLiteral("link"), 60000, 20000);
        large.programPeakMb = 512;
        TableRow otherM = row(QStringLiteral("M"), QStringLiteral("plain"), QStringLiteral("link"), 1000, 900);
        const QStringList lines = goalLines({otherM, row(QStringLiteral("M"), QStringLiteral("rich"), QStringLiteral("link"), 10000, 9000), large});
        QVERIFY(lines.contains(QStringLiteral("L rich link: L/M time 6.00, at most 6: met")));
        QVERIFY(lines.contains(QStringLiteral("L rich link: program peak 512 MB, under 500 MB: missed")));

        // A medium run that failed is no yardstick.
        TableRow failedM = row(QStringLiteral("M"), QStringLiteral("rich"), QStringLiteral("link"), 100, 9000);
        failedM.result = QStringLiteral("no result");
        for (const QString &line : goalLines({failedM, large}))
            QVERIFY(!line.contains(QStringLiteral("L/M")));

        TableRow lateL = large;
        lateL.timedOut = true;
        lateL.wallMs = -1;
        QVERIFY(goalLines({row(QStringLiteral("M"), QStringLiteral("rich"), QStringLiteral("link"), 10000, 9000), lateL})
                    .contains(QStringLiteral("L rich link: L/M time at most 6: missed (timeout)")));
    }

    void eachFileIsHeldToTheOfficesLoadAndSave()
    {
        TableRow files = row(QStringLiteral("C400"), QStringLiteral("plain"), QStringLiteral("files"), 90000, 1500);
        files.files = 400;
        files.fileFloorMs = 100;
        QVERIFY(goalLines({files}).contains(
            QStringLiteral("C400 plain files: 400 files, 225 ms each, the office's load and save 100 ms; "
                           "each file at most 3 times that: met (2.25)")));
        files.wallMs = 121000;
        QVERIFY(goalLines({files}).filter(QStringLiteral("each file at most 3 times that: missed (3.02)")).size() == 1);
        // Without a count of files, no such line.
        files.files = 0;
        QVERIFY(goalLines({files}).filter(QStringLiteral("each file")).isEmpty());
    }

    void aSummaryOfFormulasIsHeldToThreeTimesItsFloor()
    {
        TableRow formulas = row(QStringLiteral("F500"), QStringLiteral("formulas"), QStringLiteral("classify"), 31000, 11000);
        formulas.firstCategoriesMs = 24;
        formulas.lastCategoriesMs = 56;
        TableRow slow = row(QStringLiteral("F500"), QStringLiteral("formulas"), QStringLiteral("link"), 34000, 11000);
        const QStringList lines = goalLines({formulas, slow});
        QVERIFY2(lines.contains(QStringLiteral("F500 formulas classify: a category 24 ms in the first hundred, 56 ms in the last")),
                 qPrintable(lines.join('\n')));
        QVERIFY(lines.contains(QStringLiteral("F500 formulas classify: job/floor 2.82, at most 3: met")));
        QVERIFY(lines.contains(QStringLiteral("F500 formulas link: job/floor 3.09, at most 3: missed")));
    }

    void growthComparesFirstAndLastRun()
    {
        QList<RepeatRow> rows{repeat(1, 200, 150, 900, 5000), repeat(2, 260, 210, 905, 5000),
                              repeat(3, 208, 156, 940, 5000)};
        QStringList lines = growthLines(rows);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QStringLiteral("program peak: run 1 200 MB, run 3 208 MB: steady"));     // 8 MB: not more than 8
        QCOMPARE(lines.at(1), QStringLiteral("program after the run: run 1 150 MB, run 3 156 MB: steady"));
        QCOMPARE(lines.at(2), QStringLiteral("office peak: run 1 900 MB, run 3 940 MB: steady"));      // 4.4 %
        QCOMPARE(lines.at(3), QStringLiteral("engine calls: run 1 5,000, run 3 5,000: steady"));

        rows.last() = repeat(3, 240, 150, 900, 5001);
        lines = growthLines(rows);
        QCOMPARE(lines.at(0), QStringLiteral("program peak: run 1 200 MB, run 3 240 MB: grows"));
        QCOMPARE(lines.at(3), QStringLiteral("engine calls: run 1 5,000, run 3 5,001: grows"));

        QCOMPARE(growthLines({repeat(1, 1, 1, 1, 1)}).size(), 1);
    }

    void repeatTableListsEveryRun()
    {
        RepeatRow broken;
        broken.run = 2;
        broken.result = QStringLiteral("timeout");
        const QString text = renderRepeatTable(QStringLiteral("### M plain link x 2"), {repeat(1, 200, 150, 900, 5000), broken});
        const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QStringLiteral("### M plain link x 2"));
        QVERIFY(lines.at(3).startsWith(QStringLiteral("| 1 | 1.0 | 5,000 | 500 | 200 | 150 | 900 | ok |")));
        QCOMPARE(lines.at(4), QStringLiteral("| 2 | %1 | %1 | %1 | %1 | %1 | %1 | timeout |").arg(dash));
    }
};

QTEST_APPLESS_MAIN(BenchTableTest)
#include "bench_table_test.moc"
