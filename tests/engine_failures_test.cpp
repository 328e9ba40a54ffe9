#include "engine_JobHarness.h"
#include "engine_RecordingBackend.h"

#include "FileFormats.h"
#include "SettingsCheck.h"
#include "Texts.h"

#include <QtTest>

using namespace recording;

namespace {

const QStringList table{
    "Name|Region|Amount",
    "a|East|1",
    "b|West|2",
    "c|East|3",
};

QString fromUtf8(const char *text) { return QString::fromUtf8(text); }

} // namespace

// Every way a job can stop, and the places where the application gives no
// object: one failure text, nothing saved, one end signal, last.
class EngineFailuresTest : public QObject
{
    Q_OBJECT

    SourceFolder m_folder;

    JobSettings settings(const QString &fileName = QStringLiteral("book.xlsx"))
    {
        JobSettings s;
        s.sourceWorkbookPath = m_folder.file(fileName);
        s.savePath = m_folder.outputFolder();
        s.classifyColumn = 2;
        return s;
    }

    static JobSettings withEditRange(JobSettings s, const QString &range)
    {
        s.allowEditRangeEnabled = true;
        s.allowEditRange = range;
        return s;
    }

private slots:
    void refusedSources_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        const QString missing = m_folder.folder() + "missing.xlsx";
        const QString text = m_folder.folder() + "notes.xlsx";
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("Name,Region\na,East\n");
        notes.close();
        const QString empty = m_folder.folder() + "empty.xls";
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        QTest::newRow("csv") << m_folder.file("book.csv") << Texts::sourceRefused();
        QTest::newRow("xlsb") << m_folder.file("book.xlsb") << Texts::sourceRefused();
        QTest::newRow("missing") << missing << Texts::sourceMissing(QDir::toNativeSeparators(missing));
        QTest::newRow("lock file") << m_folder.file("~$book.xlsx") << Texts::sourceRefused();
        QTest::newRow("no path") << QString() << Texts::sourceRefused();
        QTest::newRow("text as xlsx") << text << Texts::sourceNotWorkbook("notes.xlsx", false);
        QTest::newRow("empty xls") << empty << Texts::sourceNotWorkbook("empty.xls", true);
    }
    // Refused before the office starts: the job never asks for it.
    void refusedSources()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        for (Job job : {Job::ClassifyShow, Job::InsertHyperLinks, Job::CategoryFiles}) {
            auto model = modelWithSummary(table);
            RecordingBackend backend(model);
            JobSettings s = settings();
            s.sourceWorkbookPath = path;
            const JobEvents run = runJob(job, s);
            QCOMPARE(run.all, (QStringList{text, "<end>"}));
            QCOMPARE(model->log(), QStringList());
        }
    }

    void workbookThatDoesNotOpen()
    {
        auto model = modelWithSummary(table);
        model->openSucceeds = false;
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::ClassifyShow, settings());
        QCOMPARE(run.texts.mid(3), QStringList{Texts::openFailed()});
        QVERIFY(run.endedOnce());
        QVERIFY(model->linesOf("WorkSheets(int)").isEmpty());
    }

    void categoryColumnWithoutValues()
    {
        {
            // A column beyond the table: the text names it and the table's width.
            auto model = modelWithSummary({"Name|Region|Amount", "a|East|1", "b|West|2"});
            RecordingBackend backend(model);
            JobSettings beyond = settings();
            beyond.classifyColumn = 5;
            const JobEvents run = runJob(Job::ClassifyShow, beyond);
            QCOMPARE(run.texts.last(), fromUtf8("分类列为第5列(E列),但汇总表只占第1至第3列(A至C列),该列中没有任何分类;"
                                                "请重新选择分类列,本次未生成文件。"));
            QVERIFY(model->linesOf("Copy(const QVariant&)").isEmpty());
        }
        auto model = modelWithSummary({"Name|Region|Amount", "a||1", "b||2"});
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::InsertHyperLinks, settings());
        QCOMPARE(run.texts.last(), Texts::noCategory());
        QCOMPARE(run.texts.last(), fromUtf8("无法进行拆分!!! 因指定列中存在空单元格;请先删除该列的空单元格,或列出需拆分的项目,"
                                            "格式如：猪八戒<b>|</b>孙悟空<b>|</b>沙和尚"));
        QVERIFY(run.endedOnce());
        // The upward search ends in the header: nothing is read, nothing split.
        QVERIFY(model->linesOf("Cells(int,int)").isEmpty());
        QVERIFY(model->linesOf("Copy(const QVariant&)").isEmpty());
        QVERIFY(model->linesOf("SaveAs(const QString&, QVariant)").isEmpty());
    }

    void singleCategoryLeavesNothingToDelete()
    {
        auto model = modelWithSummary({"Name|Region", "a|East", "b|East"});
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::ClassifyShow, settings());
        QCOMPARE(run.texts.last(), Texts::classifyShowDone());
        QCOMPARE(model->linesOf("SpecialCells(QVariant)").size(), 1);
        QVERIFY(model->linesOf("EntireRow").isEmpty());
        QVERIFY(model->linesOf("Delete()").isEmpty());
        QCOMPARE(model->sheet("East")->row(3, 2), (QStringList{"b", "East"}));
    }

    void sameSheetNameTwice()
    {
        // a:b and ab both come to "ab": the second gets "ab (2)", and each
        // sheet holds its own record.
        auto model = modelWithSummary({"Name|Region", "x|a:b", "y|ab"});
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::ClassifyShow, settings());
        QCOMPARE(run.texts.last(), Texts::classifyShowDone());
        QCOMPARE(run.texts.filter(fromUtf8("正在拆分到：ab")),
                 (QStringList{fromUtf8("正在拆分到：ab"), fromUtf8("正在拆分到：ab (2)")}));
        QCOMPARE(model->sheetNames(), (QStringList{fromUtf8("目录"), "Summary", "ab (2)", "ab"}));
        QCOMPARE(model->sheet("ab")->row(2, 2), (QStringList{"x", "a:b"}));
        QCOMPARE(model->sheet("ab (2)")->row(2, 2), (QStringList{"y", "ab"}));
        QCOMPARE(model->sheet(fromUtf8("目录"))->hyperlinks.at(1), QStringLiteral("A2||'ab (2)'!A1"));
    }

    // An application whose filter or delete takes the wrong rows, or that
    // puts sheets where the job does not expect them, gets no result saved.
    void splitThatGoesWrong_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QString>("refusal");
        // The first category sheet's delete leaves another category's record
        // on it, or takes one of its own.
        QTest::newRow("stray record") << QByteArray("Delete()") << 1 << Texts::categorySheetFailed("East");
        QTest::newRow("lost record") << QByteArray("Delete()") << 2 << Texts::categorySheetFailed("West");
        // The user's sheet is no longer behind the category sheets.
        QTest::newRow("sheet order") << QByteArray("Move(const QVariant&)") << 2 << Texts::otherSheetsNotMoved();
    }

    void splitThatGoesWrong()
    {
        QFETCH(QByteArray, member);
        QFETCH(int, occurrence);
        QFETCH(QString, refusal);
        auto model = modelWithSummary(table);
        auto notes = std::make_shared<Sheet>();
        notes->name = QStringLiteral("Notes");
        model->sheets << notes;
        model->hookAtMember = member;
        model->hookAtOccurrence = occurrence;
        model->hook = [&] {
            if (occurrence == 1)
                model->sheet("East")->values[{4, 2}] = QStringLiteral("West");
            else if (member == "Delete()")
                model->sheet("West")->values.remove({3, 2}); // its one record
            else
                model->sheet("Notes")->name = QStringLiteral("Renamed");
        };
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::ClassifyShow, settings());
        QCOMPARE(run.texts.last(), refusal);
        QVERIFY(run.endedOnce());
        QVERIFY(model->savedPath.isEmpty());
    }

    // The save folder is blamed unless the application found the source
    // file itself damaged as it saved.
    void saveThatFails()
    {
        for (bool damaged : {false, true}) {
            for (Job job : {Job::ClassifyShow, Job::InsertHyperLinks, Job::CategoryFiles}) {
                auto model = modelWithSummary(table);
                model->saveSucceeds = false;
                model->sourceDamaged = damaged;
                RecordingBackend backend(model);
                const JobEvents run = runJob(job, settings("old.xls"));
                QCOMPARE(run.texts.last(), damaged ? fromUtf8("汇总表文件“old.xls”已损坏(文件结构无法读取),"
                                                              "请在表格程序中打开并另存一份后再拆分,本次未生成文件。")
                                                   : Texts::saveFailed());
                QVERIFY(!Texts::isSuccess(run.texts.last()));
                QVERIFY(run.endedOnce());
                // Asked before the workbook is closed.
                const QStringList log = model->log();
                const int asked = log.indexOf("P workbook SourceDamaged");
                QVERIFY(asked > 0);
                QVERIFY(log.indexOf(QRegularExpression("^D workbook Close.*"), asked) > asked);
            }
        }
    }

    void editRangeThatNamesNoRange_data()
    {
        QTest::addColumn<QString>("range");
        QTest::newRow("words") << "all of it";
        QTest::newRow("empty") << "";
        QTest::newRow("row zero") << "B0:C0";
    }
    void editRangeThatNamesNoRange()
    {
        QFETCH(QString, range);
        for (Job job : {Job::ClassifyShow, Job::InsertHyperLinks}) {
            auto model = modelWithSummary(table);
            RecordingBackend backend(model);
            const JobEvents run = runJob(job, withEditRange(settings(), range));
            // The text names a range the job would take with these columns.
            const QString example = editRangeExample(settings());
            QCOMPARE(run.texts.last(), Texts::editRangeNotARange(range, example));
            QVERIFY(!checkJobSettings(withEditRange(settings(), example)).stopped());
            QVERIFY(run.endedOnce());
            QVERIFY(model->linesOf("Protect(QVariant)").isEmpty());
            QVERIFY(model->linesOf("SaveAs(const QString&, QVariant)").isEmpty());
        }
    }

    void applicationGoesAway_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("member");
        QTest::addColumn<int>("occurrence");
        QTest::newRow("while opening") << 0 << "Open(const QString&)" << 1;
        QTest::newRow("while reading the column") << 1 << "Value()" << 2;
        QTest::newRow("between two categories") << 0 << "Copy(const QVariant&)" << 1;
        QTest::newRow("in the index loop") << 1 << "SetValue(const QVariant&)" << 2;
        QTest::newRow("spreading category formulas") << 0 << "SetFormulaR1C1(const QVariant&)" << 1;
        QTest::newRow("spreading summary formulas") << 1 << "SetFormulaR1C1(const QVariant&)" << 1;
        QTest::newRow("while saving") << 0 << "SaveAs(const QString&, QVariant)" << 1;
        QTest::newRow("while closing") << 1 << "Close (Boolean)" << 1;
    }
    void applicationGoesAway()
    {
        QFETCH(int, job);
        QFETCH(QString, member);
        QFETCH(int, occurrence);
        auto model = modelWithSummary(table);
        model->disconnectAtMember = member.toLatin1();
        model->disconnectAtOccurrence = occurrence;
        RecordingBackend backend(model);
        const JobEvents run = runJob(job == 0 ? Job::ClassifyShow : Job::InsertHyperLinks,
                                     withEditRange(settings(), "C2:C3"));
        QCOMPARE(run.texts.last(), Texts::applicationLost());
        QCOMPARE(run.texts.count(Texts::applicationLost()), 1);
        QVERIFY(!run.texts.contains(Texts::classifyShowDone()));
        QVERIFY(!run.texts.contains(Texts::insertHyperLinksDone()));
        QVERIFY(!run.texts.contains(Texts::openFailed()));
        QVERIFY(!run.texts.contains(Texts::noCategory()));
        QVERIFY(run.endedOnce());
        // After the loss nothing but the calls that fail at once: no long loops.
        const QStringList log = model->log();
        int lost = -1;
        for (int seen = 0, i = 0; i < log.size() && seen < occurrence; ++i) {
            if (model->operations.at(i).member == member && ++seen == occurrence)
                lost = i;
        }
        QVERIFY(lost >= 0);
        QVERIFY2(log.size() - lost < 12, qPrintable(log.mid(lost).join('\n')));
    }

    // A cancel from another thread ends the application at that call; the job
    // then says it was cancelled, and keeps no result even when the save
    // had already been made.
    void cancel_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("member");
        QTest::addColumn<int>("occurrence");
        QTest::newRow("before the start") << 0 << "" << 0;
        QTest::newRow("as the application starts") << 1 << "WorkBooks" << 1;
        QTest::newRow("between two categories") << 0 << "Copy(const QVariant&)" << 2;
        QTest::newRow("in the index loop") << 1 << "SetValue(const QVariant&)" << 2;
        QTest::newRow("while saving") << 0 << "SaveAs(const QString&, QVariant)" << 1;
        QTest::newRow("after saving") << 1 << "Close (Boolean)" << 1;
    }
    void cancel()
    {
        QFETCH(int, job);
        QFETCH(QString, member);
        QFETCH(int, occurrence);
        auto model = modelWithSummary(table);
        RecordingBackend backend(model);
        MergeObject worker(QStringLiteral("tem"));
        const JobSettings s = withEditRange(settings(), "C2:C3");
        const QString result = outputPath(s.savePath, s.sourceWorkbookPath);
        if (member.isEmpty()) {
            QVERIFY(worker.cancel());
        } else {
            model->hookAtMember = member.toLatin1();
            model->hookAtOccurrence = occurrence;
            model->hook = [&] {
                // The file the save made, when it was made.
                if (!model->savedPath.isEmpty())
                    QFile(model->savedPath).open(QIODevice::WriteOnly);
                QVERIFY(worker.cancel());
            };
        }
        const JobEvents run = runJob(job == 0 ? Job::ClassifyShow : Job::InsertHyperLinks, s, &worker);
        QCOMPARE(run.texts.last(), Texts::cancelled());
        QCOMPARE(run.texts.count(Texts::cancelled()), 1);
        QVERIFY(!run.texts.contains(Texts::applicationLost()));
        QVERIFY(!run.texts.contains(Texts::applicationMissing()));
        QVERIFY(!run.texts.contains(Texts::classifyShowDone()));
        QVERIFY(!run.texts.contains(Texts::insertHyperLinksDone()));
        QVERIFY(run.endedOnce());
        QVERIFY(model->aborted);
        QVERIFY(!QFile::exists(result));
        QCOMPARE(QDir(s.savePath).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void lostAtStart()
    {
        auto model = modelWithSummary(table);
        model->disconnectAtMember = "WorkBooks";
        RecordingBackend backend(model);
        const JobEvents run = runJob(Job::ClassifyShow, settings());
        // The Workbooks query itself failed: the application is not there.
        QCOMPARE(run.all, (QStringList{"excel OK!", "WorkBooks OK!", Texts::applicationMissing(), "<end>"}));
    }
};

QTEST_GUILESS_MAIN(EngineFailuresTest)
#include "engine_failures_test.moc"
