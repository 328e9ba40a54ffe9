#include "CliArguments.h"
#include "engine_JobHarness.h"
#include "engine_RecordingBackend.h"

#include "Texts.h"

#include <QtTest>

using namespace recording;

class CliArgumentsTest : public QObject
{
    Q_OBJECT
private slots:
    void defaults()
    {
        const CliRequest r = parseCliArguments({"classify", "/data/book.xlsx", "/out"});
        QCOMPARE(r.status, CliRequest::Status::Run);
        QCOMPARE(r.job, CliRequest::Job::ClassifyShow);
        QCOMPARE(r.settings.sourceWorkbookPath, QStringLiteral("/data/book.xlsx"));
        QCOMPARE(r.settings.savePath, QStringLiteral("/out/"));
        QCOMPARE(r.settings.classifyColumn, 1);
        QCOMPARE(r.settings.lookupColumn, 1);
        QVERIFY(!r.settings.headerRowsEnabled);
        QVERIFY(!r.settings.openPasswordEnabled);
        QVERIFY(!r.settings.structurePasswordEnabled);
        QVERIFY(!r.settings.allowEditRangeEnabled);
        QVERIFY(r.settings.categoryNames.isEmpty());
        QCOMPARE(parseCliArguments({"link", "a.xls", "/out/"}).settings.savePath, QStringLiteral("/out/"));
    }

    void everyOption()
    {
        const CliRequest r = parseCliArguments({"link", "book.xlsm", "out", "--column", "3", "--header-rows=2",
                                                "--open-password", "o p", "--structure-password", "s",
                                                "--sheet-password", "", "--edit-range",
                                                QString::fromUtf8(" B3：F20 "), "--match-column", "28"});
        QCOMPARE(r.status, CliRequest::Status::Run);
        QCOMPARE(r.job, CliRequest::Job::InsertHyperLinks);
        QCOMPARE(r.settings.classifyColumn, 3);
        QVERIFY(r.settings.headerRowsEnabled);
        QCOMPARE(r.settings.headerRows, 2);
        QVERIFY(r.settings.openPasswordEnabled);
        QCOMPARE(r.settings.openPassword, QStringLiteral("o p"));
        QVERIFY(r.settings.structurePasswordEnabled);
        QCOMPARE(r.settings.structurePassword, QStringLiteral("s"));
        QCOMPARE(r.settings.sheetPassword, QString());
        QVERIFY(r.settings.allowEditRangeEnabled);
        QCOMPARE(r.settings.allowEditRange, QStringLiteral("B3:F20"));
        QCOMPARE(r.settings.lookupColumn, 28);

        const CliRequest files = parseCliArguments({"files", "book.xls", "out", "--column", "2", "--open-password",
                                                    "o", "--sheet-password", "s"});
        QCOMPARE(files.status, CliRequest::Status::Run);
        QCOMPARE(files.job, CliRequest::Job::CategoryFiles);
        QCOMPARE(files.settings.classifyColumn, 2);
        QCOMPARE(files.settings.openPassword, QStringLiteral("o"));
        QCOMPARE(files.settings.sheetPassword, QStringLiteral("s"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("no folder") << QStringList{"classify", "book.xlsx"};
        QTest::newRow("one too many") << QStringList{"classify", "book.xlsx", "out", "more"};
        QTest::newRow("unknown job") << QStringList{"split", "book.xlsx", "out"};
        QTest::newRow("unknown option") << QStringList{"classify", "book.xlsx", "out", "--colour", "2"};
        QTest::newRow("missing value") << QStringList{"classify", "book.xlsx", "out", "--column"};
        QTest::newRow("column 0") << QStringList{"classify", "book.xlsx", "out", "--column", "0"};
        QTest::newRow("column 257") << QStringList{"classify", "book.xlsx", "out", "--column", "257"};
        QTest::newRow("header rows 100") << QStringList{"classify", "book.xlsx", "out", "--header-rows", "100"};
        QTest::newRow("match column text") << QStringList{"classify", "book.xlsx", "out", "--match-column", "B"};
        QTest::newRow("empty source") << QStringList{"classify", "", "out"};
        // The files have no lookups and no structure to lock.
        QTest::newRow("files with a range") << QStringList{"files", "book.xlsx", "out", "--edit-range", "B3:F20"};
        QTest::newRow("files locked") << QStringList{"files", "book.xlsx", "out", "--structure-password=s"};
        QTest::newRow("files matched") << QStringList{"files", "book.xlsx", "out", "--match-column", "2"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const CliRequest r = parseCliArguments(arguments);
        QCOMPARE(r.status, CliRequest::Status::UsageError);
        QVERIFY(!r.error.isEmpty());
    }

    void help()
    {
        QCOMPARE(parseCliArguments({"--help"}).status, CliRequest::Status::Help);
        QCOMPARE(parseCliArguments({"classify", "--help"}).status, CliRequest::Status::Help);
        const QString usage = cliUsage();
        for (const char *option : {"--column", "--header-rows", "--open-password", "--structure-password",
                                   "--sheet-password", "--edit-range", "--match-column", "--help"})
            QVERIFY2(usage.contains(QStringLiteral("\n  %1 ").arg(QLatin1String(option))), option);
    }

    void outputFolder()
    {
        SourceFolder folder;
        QVERIFY(outputFolderExists(folder.folder()));
        QVERIFY(outputFolderExists(folder.folder().chopped(1)));
        QVERIFY(!outputFolderExists(folder.file("book.xlsx")));
        QVERIFY(!outputFolderExists(folder.folder() + "nowhere/"));
        QVERIFY(!outputFolderExists(QString()));
    }

    void sheetPasswordWithoutRangeIsWarnedAbout()
    {
        const QString source = QStringLiteral("/data/book.xlsx");
        const auto warning = [&](const QStringList &arguments) { return cliWarning(parseCliArguments(arguments)); };
        // It protects nothing and writes no lookups: said before the job.
        for (const char *job : {"classify", "link"}) {
            const QString said = warning({job, source, "/out", "--sheet-password", "pw"});
            QVERIFY(said.contains(Texts::protectionWithoutEditRange()));
            QVERIFY(warning({job, source, "/out", "--sheet-password", "pw", "--edit-range", "C2:F20"}).isEmpty());
        }
        // The files protect each file's sheet with the password alone.
        QVERIFY(warning({"files", source, "/out", "--sheet-password", "pw"}).isEmpty());
        QVERIFY(warning({"classify", source, "/out"}).isEmpty());
    }

    void exitCodesFollowTheLastText()
    {
        SourceFolder folder;
        const QString source = folder.file("book.xlsx");
        QStringList printed;
        const auto print = [&printed](const QString &text) { printed << text; };
        const QStringList table{"Name|Region", "a|East", "b|West"};
        {
            RecordingBackend backend(modelWithSummary(table));
            const CliRequest classify = parseCliArguments({"classify", source, folder.outputFolder(), "--column", "2"});
            QCOMPARE(runCliJob(classify, print), 0);
            QCOMPARE(printed.first(), QStringLiteral("excel OK!"));
            QCOMPARE(printed.last(), Texts::classifyShowDone());
            // The saved file is named before the success.
            QVERIFY(printed.at(printed.size() - 2).startsWith(Texts::savedTo(QString())));
            QVERIFY(printed.at(printed.size() - 2).endsWith(QStringLiteral("book.xlsx")));
            QCOMPARE(printed.size(), 9);
        }
        {
            printed.clear();
            RecordingBackend backend(modelWithSummary(table));
            const CliRequest refused = parseCliArguments({"link", folder.file("book.csv"), folder.outputFolder()});
            QCOMPARE(runCliJob(refused, print), 1);
            QCOMPARE(printed.last(), Texts::sourceRefused());
        }
        {
            printed.clear();
            auto model = modelWithSummary(table);
            model->saveSucceeds = false;
            RecordingBackend backend(model);
            const CliRequest link = parseCliArguments({"link", source, folder.outputFolder(), "--column", "2"});
            QCOMPARE(runCliJob(link, print), 1);
            QCOMPARE(printed.last(), Texts::saveFailed());
        }
        QCOMPARE(exitCodeFor(Texts::insertHyperLinksDone()), 0);
        QCOMPARE(exitCodeFor(QString()), 1);
    }
};

QTEST_GUILESS_MAIN(CliArgumentsTest)
#include "cli_arguments_test.moc"
