// The benchmark's command line and the geometry of its generated tables.

#include "BenchCases.h"
#include "BenchOptions.h"

#include <QtTest>

class BenchOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void defaultsRunSmallAndMediumWithEverything()
    {
        const BenchOptions o = parseBenchOptions({});
        QCOMPARE(o.mode, BenchOptions::Mode::Table);
        QCOMPARE(o.sizes.size(), 2);
        QCOMPARE(o.sizes.at(0).name, QStringLiteral("S"));
        QCOMPARE(o.sizes.at(1).name, QStringLiteral("M"));
        QCOMPARE(o.kinds, (QList<SourceKind>{SourceKind::Plain, SourceKind::Rich}));
        QCOMPARE(o.jobs, (QList<BenchJob>{BenchJob::Classify, BenchJob::Link}));
        QVERIFY(o.keepDir.isEmpty());
        QVERIFY(o.timeoutSeconds > 0);
    }

    void listsKeepTheirOrderAndDropRepeats()
    {
        const BenchOptions o = parseBenchOptions({QStringLiteral("--sizes"), QStringLiteral("L,m, l"),
                                                  QStringLiteral("--kinds=rich"),
                                                  QStringLiteral("--jobs"), QStringLiteral("link,classify")});
        QCOMPARE(o.mode, BenchOptions::Mode::Table);
        QCOMPARE(o.sizes.size(), 2);
        QCOMPARE(o.sizes.at(0).name, QStringLiteral("L"));
        QCOMPARE(o.sizes.at(0).rows, 50000);
        QCOMPARE(o.sizes.at(1).name, QStringLiteral("M"));
        QCOMPARE(o.kinds, QList<SourceKind>{SourceKind::Rich});
        QCOMPARE(o.jobs, (QList<BenchJob>{BenchJob::Link, BenchJob::Classify}));
    }

    void repeatModeDefaultsToMedium()
    {
        BenchOptions o = parseBenchOptions({QStringLiteral("--repeat-m"), QStringLiteral("10"),
                                            QStringLiteral("--keep"), QStringLiteral("/tmp/x"),
                                            QStringLiteral("--timeout=90")});
        QCOMPARE(o.mode, BenchOptions::Mode::Repeat);
        QCOMPARE(o.repeat, 10);
        QCOMPARE(o.sizes.size(), 1);
        QCOMPARE(o.sizes.first().name, QStringLiteral("M"));
        QCOMPARE(o.keepDir, QStringLiteral("/tmp/x"));
        QCOMPARE(o.timeoutSeconds, 90);

        o = parseBenchOptions({QStringLiteral("--repeat-m=3"), QStringLiteral("--sizes=S")});
        QCOMPARE(o.mode, BenchOptions::Mode::Repeat);
        QCOMPARE(o.sizes.first().name, QStringLiteral("S"));
    }

    void badArgumentsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown size") << QStringList{QStringLiteral("--sizes"), QStringLiteral("S,XL")};
        QTest::newRow("empty sizes") << QStringList{QStringLiteral("--sizes=")};
        QTest::newRow("unknown kind") << QStringList{QStringLiteral("--kinds"), QStringLiteral("fancy")};
        QTest::newRow("unknown job") << QStringList{QStringLiteral("--jobs"), QStringLiteral("split")};
        QTest::newRow("zero repeats") << QStringList{QStringLiteral("--repeat-m"), QStringLiteral("0")};
        QTest::newRow("word timeout") << QStringList{QStringLiteral("--timeout"), QStringLiteral("soon")};
        QTest::newRow("negative timeout") << QStringList{QStringLiteral("--timeout=-5")};
        QTest::newRow("missing value") << QStringList{QStringLiteral("--keep")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast")};
        QTest::newRow("stray word") << QStringList{QStringLiteral("M")};
        QTest::newRow("run-one short") << QStringList{QStringLiteral("--run-one"), QStringLiteral("link")};
        QTest::newRow("run-one bad job")
            << runOneArguments(BenchJob::Link, QStringLiteral("a.xlsx"), QStringLiteral("o"), 1, QStringLiteral("C2:D9"), 1)
                   .replaceInStrings(QStringLiteral("link"), QStringLiteral("merge"));
        QTest::newRow("empty file") << QStringList{QStringLiteral("--file=")};
        QTest::newRow("file in the repeat check")
            << QStringList{QStringLiteral("--repeat-m=2"), QStringLiteral("--file"), QStringLiteral("a.xls")};
        QTest::newRow("floor short") << QStringList{QStringLiteral("--floor"), QStringLiteral("a.xlsx")};
    }

    void badArgumentsAreRefused()
    {
        QFETCH(QStringList, arguments);
        const BenchOptions o = parseBenchOptions(arguments);
        QCOMPARE(o.mode, BenchOptions::Mode::UsageError);
        QVERIFY(!o.error.isEmpty());
    }

    void childArgumentsReadBack()
    {
        BenchOptions o = parseBenchOptions(runOneArguments(BenchJob::Link, QStringLiteral("/w/my source.xlsx"),
                                                           QStringLiteral("/w/out dir"), 3,
                                                           QStringLiteral("C4:L10003"), 10));
        QCOMPARE(o.mode, BenchOptions::Mode::RunOne);
        QCOMPARE(o.childJob, BenchJob::Link);
        QCOMPARE(o.childSource, QStringLiteral("/w/my source.xlsx"));
        QCOMPARE(o.childOutDir, QStringLiteral("/w/out dir"));
        QCOMPARE(o.childHeaderRows, 3);
        QCOMPARE(o.childEditRange, QStringLiteral("C4:L10003"));
        QCOMPARE(o.childRuns, 10);

        o = parseBenchOptions(floorArguments(QStringLiteral("/w/s.xlsx"), QStringLiteral("/w/f"),
                                             {QStringLiteral("/w/a.xlsx"), QStringLiteral("/w/b.xlsx")}));
        QCOMPARE(o.mode, BenchOptions::Mode::Floor);
        QCOMPARE(o.childSource, QStringLiteral("/w/s.xlsx"));
        QCOMPARE(o.floorScratch, QStringLiteral("/w/f"));
        QCOMPARE(o.floorResults, (QStringList{QStringLiteral("/w/a.xlsx"), QStringLiteral("/w/b.xlsx")}));

        o = parseBenchOptions(floorArguments(QStringLiteral("/w/s.xlsx"), QStringLiteral("/w/f"), {}));
        QCOMPARE(o.mode, BenchOptions::Mode::Floor);
        QVERIFY(o.floorResults.isEmpty());
    }

    void helpWinsOverEverything()
    {
        QCOMPARE(parseBenchOptions({QStringLiteral("--sizes"), QStringLiteral("S"), QStringLiteral("--help")}).mode,
                 BenchOptions::Mode::Help);
        QVERIFY(benchUsage().contains(QStringLiteral("--repeat-m")));
    }

    void sizesAreTheAgreedOnes()
    {
        const QList<BenchSize> &sizes = standardSizes();
        QCOMPARE(sizes.size(), 9);
        QCOMPARE((QList<int>{sizes.at(0).rows, sizes.at(0).columns, sizes.at(0).categories}), (QList<int>{1000, 8, 5}));
        QCOMPARE((QList<int>{sizes.at(1).rows, sizes.at(1).columns, sizes.at(1).categories}), (QList<int>{10000, 12, 20}));
        QCOMPARE((QList<int>{sizes.at(2).rows, sizes.at(2).columns, sizes.at(2).categories}), (QList<int>{50000, 12, 50}));
        QVERIFY(!sizeNamed(QStringLiteral("XL")));
        // Many categories: split only, no editable range to pass on.
        const BenchSize many = *sizeNamed(QStringLiteral("c400"));
        QCOMPARE((QList<int>{many.rows, many.categories}), (QList<int>{2000, 400}));
        QVERIFY(layoutFor(many, SourceKind::Plain).editRange.isEmpty());
        const QStringList child = runOneArguments(BenchJob::Classify, "s.xlsx", "out", 1, QString(), 1, false);
        QCOMPARE(child.at(5), QStringLiteral("-"));
        QVERIFY(parseBenchOptions(child).childEditRange.isEmpty());
    }

    void layoutCoversTheFigureColumnsOfEveryDataRow()
    {
        SourceLayout plain = layoutFor(*sizeNamed(QStringLiteral("S")), SourceKind::Plain);
        QCOMPARE(plain.headerRows, 1);
        QCOMPARE(plain.firstDataRow, 2);
        QCOMPARE(plain.lastDataRow, 1001);
        QCOMPARE(plain.editRange, QStringLiteral("C2:H1001"));
        QCOMPARE(plain.classifyColumn, 1);
        QCOMPARE(plain.matchColumn, 2);

        const SourceLayout rich = layoutFor(*sizeNamed(QStringLiteral("M")), SourceKind::Rich);
        QCOMPARE(rich.headerRows, 3);
        QCOMPARE(rich.firstDataRow, 4);
        QCOMPARE(rich.lastDataRow, 10003);
        QCOMPARE(rich.editRange, QStringLiteral("C4:L10003"));

        QCOMPARE(layoutFor(*sizeNamed(QStringLiteral("L")), SourceKind::Plain).editRange, QStringLiteral("C2:L50001"));
        QCOMPARE(sourceFileName(*sizeNamed(QStringLiteral("M")), SourceKind::Rich), QStringLiteral("bench-M-rich.xlsx"));

        // The summary of formulas: a row of factors under the header.
        const SourceLayout formulas = layoutFor(*sizeNamed(QStringLiteral("F500")), SourceKind::Formulas);
        QCOMPARE((QList<int>{formulas.headerRows, formulas.firstDataRow, formulas.lastDataRow}), (QList<int>{2, 3, 1102}));
        QVERIFY(formulas.editRange.isEmpty());
        QCOMPARE(kindNamed(QStringLiteral("Formulas")), std::optional<SourceKind>(SourceKind::Formulas));
    }
};

QTEST_APPLESS_MAIN(BenchOptionsTest)
#include "bench_options_test.moc"
