#include "CategoryColumn.h"
#include "CategoryFileNames.h"
#include "CategoryFiles.h"
#include "JobSettings.h"
#include "FileFormats.h"
#include "RecordPull.h"
#include "ResultMark.h"
#include "SourceCheck.h"
#include "SourceContent.h"
#include "StagingFolder.h"
#include "SummaryScan.h"
#include "Texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Which sources are accepted, where results go, and the scan's pure parts.
class EnginePathsTest : public QObject
{
    Q_OBJECT
private slots:
    void sourceCheck()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path();
        for (const char *name : {"data.xlsx", "DATA.XLSX", "old.xls", "macro.xlsm", "plain.csv", "binary.xlsb"}) {
            QFile file(folder + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(folder).mkpath("~$locked"));
        QFile inLockedFolder(folder + "/~$locked/proper.xlsx");
        QVERIFY(inLockedFolder.open(QIODevice::WriteOnly));
        QVERIFY(QDir(folder).mkpath("folder.xlsx"));

        QVERIFY(isAcceptedSource(folder + "/data.xlsx"));
        QVERIFY(isAcceptedSource(folder + "/DATA.XLSX"));
        QVERIFY(isAcceptedSource(folder + "/old.xls"));
        QVERIFY(isAcceptedSource(folder + "/macro.xlsm"));
        QVERIFY(!isAcceptedSource(folder + "/plain.csv"));
        QVERIFY(!isAcceptedSource(folder + "/binary.xlsb"));
        QVERIFY(!isAcceptedSource(folder + "/missing.xlsx"));
        // The whole path is searched for the lock-file mark.
        QVERIFY(!isAcceptedSource(folder + "/~$locked/proper.xlsx"));
        // Any entry counts, a folder included.
        QVERIFY(isAcceptedSource(folder + "/folder.xlsx"));
        QVERIFY(!pathExists(QString()));
        QVERIFY(!isAcceptedSource(QString()));

        // What the job says before the office starts.
        QCOMPARE(sourceRefusal(folder + "/plain.csv"), Texts::sourceRefused());
        QCOMPARE(sourceRefusal(folder + "/folder.xlsx"), Texts::sourceRefused());
        QCOMPARE(sourceRefusal(folder + "/missing.xlsx"), Texts::sourceMissing(folder + "/missing.xlsx"));
        QCOMPARE(sourceRefusal(folder + "/data.xlsx"), Texts::sourceNotWorkbook("data.xlsx", true));
        QFile package(folder + "/data.xlsx");
        QVERIFY(package.open(QIODevice::WriteOnly));
        package.write(QByteArray("PK\x03\x04\x14\x00", 6));
        package.close();
        QCOMPARE(sourceRefusal(folder + "/data.xlsx"), QString());
    }

    // The first bytes of a source, judged without any office: only what no
    // office opens as a workbook is refused.
    void sourceContents_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("verdict");
        const int may = int(SourceContent::MayBeWorkbook);
        const int empty = int(SourceContent::Empty);
        const int not_ = int(SourceContent::NotWorkbook);
        const QByteArray zip("PK\x03\x04\x14\x00\x06\x00", 8);
        const QByteArray compound = QByteArray::fromHex("d0cf11e0a1b11ae1");
        const QByteArray text("Name,Region\r\na,East\r\n");
        const QByteArray png("\x89PNG\r\n\x1a\n", 8);
        QTest::newRow("package") << zip << "book.xlsx" << may;
        QTest::newRow("macro package, upper case") << zip << "BOOK.XLSM" << may;
        // An encrypted package, or an .xls under the wrong ending.
        QTest::newRow("compound file as xlsx") << compound << "book.xlsx" << may;
        QTest::newRow("empty xlsx") << QByteArray() << "book.xlsx" << empty;
        QTest::newRow("empty xlsm") << QByteArray() << "book.xlsm" << empty;
        QTest::newRow("empty xls") << QByteArray() << "book.xls" << empty;
        QTest::newRow("text as xlsx") << text << "book.xlsx" << not_;
        QTest::newRow("text as xlsm") << text << "book.xlsm" << not_;
        QTest::newRow("picture as xlsx") << png << "book.xlsx" << not_;
        QTest::newRow("cut-off zip signature") << QByteArray("PK") << "book.xlsx" << not_;
        QTest::newRow("html as xlsx") << QByteArray("<html><table>") << "book.xlsx" << not_;
        // What the applications save, or open, under .xls.
        QTest::newRow("compound xls") << compound << "book.xls" << may;
        QTest::newRow("biff without compound file") << QByteArray("\x09\x04\x06\x00\x00\x00\x10\x00", 8) << "book.xls" << may;
        QTest::newRow("html as xls") << QByteArray("<html><table>") << "book.xls" << may;
        QTest::newRow("xml spreadsheet as xls") << QByteArray("\xEF\xBB\xBF<?xml version") << "book.xls" << may;
        QTest::newRow("text as xls") << text << "Book.XLS" << may;
        QTest::newRow("package as xls") << zip << "book.xls" << may;
    }
    void sourceContents()
    {
        QFETCH(QByteArray, start);
        QFETCH(QString, name);
        QFETCH(int, verdict);
        QCOMPARE(int(sourceContent(start.left(sourceContentLength()), name)), verdict);
    }

    void outputFormats()
    {
        QCOMPARE(outputFormat("D:/data/report.xlsx").number, 51);
        QCOMPARE(outputFormat("D:/data/report.xls").number, 56);
        QCOMPARE(outputFormat("D:/data/report.xlsm").number, 52);
        QCOMPARE(outputFormat("D:/data/DATA.XLSX").ending, QStringLiteral(".xlsx"));
        QCOMPARE(outputFormat("D:/data/Old.XLS").ending, QStringLiteral(".xls"));
        QCOMPARE(outputFormat("D:/data/report.csv").number, 0);
    }

    void outputPaths()
    {
        QCOMPARE(completeBaseName("D:\\data\\report.final.xlsm"), QStringLiteral("report.final"));
        QCOMPARE(completeBaseName("/home/u/DATA.XLSX"), QStringLiteral("DATA"));
        QCOMPARE(outputPath("E:/out/", "D:\\data\\report.final.xlsm"),
                 QDir::toNativeSeparators("E:/out/report.final.xlsm"));
        QCOMPARE(outputPath("E:/out/", "D:/data/DATA.XLSX"), QDir::toNativeSeparators("E:/out/DATA.xlsx"));
        // Saving into the source's own folder gives the source path itself.
        QCOMPARE(outputPath("/home/u/", "/home/u/book.xls"), QDir::toNativeSeparators("/home/u/book.xls"));
    }

    void addressTexts()
    {
        QCOMPARE(dataStartCell(1, 2), QStringLiteral("A2"));
        QCOMPARE(dataStartCell(3, 11), QStringLiteral("C11"));
        QCOMPARE(categoryColumnRange(3, 2, 57), QStringLiteral("C2:C57"));
        QCOMPARE(categoryColumnRange(28, 2, 57), QStringLiteral("AB2:AB57"));
        QCOMPARE(categoryColumnRange(79, 4, 9), QStringLiteral("CA4:CA9"));
        QCOMPARE(categoryColumnRange(256, 2, 3), QStringLiteral("IV2:IV3"));
    }

    void categoryCleaning()
    {
        // First appearance keeps its place; a trailing blank is another
        // category; the empty cell is none.
        QCOMPARE(cleanCategoryNames({"North", "South", "North", "", "South "}),
                 (QStringList{"North", "South", "South "}));
        QCOMPARE(cleanCategoryNames({"b", "a", "B", "a", "b"}), (QStringList{"b", "a", "B"}));
        QCOMPARE(cleanCategoryNames({"", "", ""}), QStringList());
        QCOMPARE(cleanCategoryNames({}), QStringList());
    }

    // The mark a result carries: read back as written, whatever the number
    // of sheets, each property's text within what Excel lets one hold; a
    // mark with a part missing, or none, reads as no mark.
    void resultMarksReadBackAsWritten()
    {
        ResultMark mark;
        mark.job = ResultMark::Job::Link;
        mark.summarySheet = QString::fromUtf8("汇总 \"2024\"");
        mark.classifyColumn = 3;
        mark.headerRows = 2;
        mark.editRange = "D3:F200";
        mark.lookupColumn = 2;
        mark.madeSheets << QString::fromUtf8("目录");
        for (int i = 0; i < 500; ++i)
            mark.madeSheets << QString::fromUtf8("分类 %1 '引号'").arg(i);
        QList<QPair<QString, QString>> properties = markProperties(mark);
        QVERIFY(properties.size() > 20);
        for (const auto &property : properties)
            QVERIFY(property.second.size() <= 255);
        properties.prepend({"Author note", "kept"});
        std::optional<ResultMark> read = readMark(properties);
        QVERIFY(read);
        QCOMPARE(int(read->job), int(mark.job));
        QCOMPARE(read->summarySheet, mark.summarySheet);
        QCOMPARE(read->classifyColumn, 3);
        QCOMPARE(read->headerRows, std::optional<int>(2));
        QCOMPARE(read->editRange, mark.editRange);
        QCOMPARE(read->lookupColumn, 2);
        QCOMPARE(read->madeSheets, mark.madeSheets);

        mark.headerRows.reset();
        mark.editRange.clear();
        read = readMark(markProperties(mark));
        QVERIFY(read && !read->headerRows && read->editRange.isEmpty());

        properties.removeAt(5);
        QVERIFY(!readMark(properties));
        QVERIFY(!readMark({{"Sheetsplicer 1", "{not a mark"}}));
        QVERIFY(!readMark({}));
    }

    // What a link result's summary takes from its category sheets: kept
    // records their sheet's row, a record typed on a sheet joins in sheet
    // order, a linked record no sheet holds leaves, a row typed on the
    // summary stays; one key on two rows refuses, naming both sheets.
    void theSummaryTakesWhatTheCategorySheetsHold()
    {
        const QList<SummaryRecord> summary{
            {2, "K1", "East", true}, {3, "K2", "West", true}, {4, "K3", "East", true}, {5, "K9", "West", false}};
        QList<SheetRecord> sheets{{"East", 2, "K1", "East", {}}, {"East", 3, "K5", "East", {}},
                                  {"West", 2, "K2", "North", {}}, {"West", 3, "K4", "West", {}}};
        RecordPull plan = planRecordPull(summary, sheets);
        QVERIFY(!plan.refused());
        QCOMPARE(plan.updates, (QList<QPair<int, int>>{{2, 0}, {3, 2}}));
        QCOMPARE(plan.leaving, QList<int>{4});
        QCOMPARE(plan.leavingKeys, QStringList{"K3"});
        QCOMPARE(plan.added, (QList<int>{1, 3}));

        sheets << SheetRecord{"North", 7, "K5", "North", {}};
        plan = planRecordPull(summary, sheets);
        QVERIFY(plan.refused());
        QCOMPARE(plan.twiceKey, QStringLiteral("K5"));
        QCOMPARE(plan.twiceSheets, (QStringList{"East", "North"}));
    }

    // Each category's file is named as its sheet, in a form every file
    // system takes, unique without regard to case; the folder takes the
    // first free name.
    void categoryFileNames()
    {
        QCOMPARE(::categoryFileNames({"East", "east", "a<b>|\"c\"", "CON", "com1.x", "Dots..", "East (2)"}),
                 QStringList({"East", "east (2)", "a_b___c_", "_CON", "_com1.x", "Dots", "East (2) (2)"}));
        QStringList taken{"sales", "sales (2)"};
        QCOMPARE(freeFolderName("sales", [&](const QString &n) { return taken.contains(n); }),
                 QStringLiteral("sales (3)"));
        QCOMPARE(freeFolderName("new", [&](const QString &n) { return taken.contains(n); }), QStringLiteral("new"));
    }

    // A category's file keeps the header, its own records one after the
    // other, and the rows below them moved up by the rows that went.
    void rowsOfACategoryFile()
    {
        JobSettings settings;
        JobState job(settings, [](const QString &) {});
        job.table.firstDataRow = 3;
        job.table.lastDataRow = 8;
        job.rowValues = QStringList{"E", "W", "", "E", "W", "E"};
        Category east;
        east.value = "E";
        east.recordCount = 3;
        QCOMPARE(rowsInCategoryFile(job, east, 10), (QVector<int>{1, 2, 3, -1, -1, 4, -1, 5, 6, 7}));
    }

    // The files appear under their folder's name all at once, or not at all.
    void stagingFolders()
    {
        QTemporaryDir parent;
        QVERIFY(QDir(parent.path()).mkdir("sales"));
        QString published;
        {
            StagingFolder folder(parent.path(), "sales");
            QVERIFY(!folder.path().isEmpty());
            QVERIFY(QFileInfo(folder.path()).fileName().startsWith(".sales"));
            QFile file(folder.path() + "/East.xlsx");
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            published = folder.publish();
        }
        QCOMPARE(published, QDir::toNativeSeparators(parent.path() + "/sales (2)"));
        QVERIFY(QFile::exists(parent.path() + "/sales (2)/East.xlsx"));
        {
            StagingFolder abandoned(parent.path(), "sales");
            QVERIFY(QFileInfo::exists(abandoned.path()));
        }
        {
            StagingFolder signalled(parent.path(), "sales");
            StagingFolder::removeUnpublished();
            QVERIFY(!QFileInfo::exists(signalled.path()));
        }
        QCOMPARE(QDir(parent.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"sales", "sales (2)"}));
    }
};

QTEST_GUILESS_MAIN(EnginePathsTest)
#include "engine_paths_test.moc"
