// Results the jobs made, given to a job again: each result carries a mark of
// the job that made it, which survives the office saving the workbook again;
// a result of the other job is refused with a text naming that job, and the
// same job updates its own result.
#include "EarlierResultFile.h"
#include "e2e_Cli.h"
#include "e2e_OfficeCase.h"
#include "lo_Fixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QMap>
#include <QtTest>

namespace {

QString otherJobText(const QString &madeBy)
{
    const bool classify = madeBy == QLatin1String("classify");
    return QString::fromUtf8("此工作簿是“%1”生成的结果,请用生成它的同一个按钮(%2)来处理,本次未生成文件。")
        .arg(classify ? QString::fromUtf8("汇总分类表") : QString::fromUtf8("分类汇总表"),
             classify ? QString::fromUtf8("汇总分类表(填写汇总表,自动更新分类表)")
                      : QString::fromUtf8("分类汇总表(填写分类表,自动更新汇总表)"));
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The rows of a sheet below its header, as a fresh office computes them:
// the first six cells of each row that holds any, joined by commas.
QStringList recordRows(const QJsonObject &fresh, const QString &sheet)
{
    QStringList rows;
    const QJsonArray cellsOf = fresh.value(sheet).toArray();
    for (int r = 1; r < cellsOf.size(); ++r) {
        QStringList cells;
        for (int c = 0; c < 6; ++c)
            cells << cellsOf.at(r).toArray().at(c).toString();
        if (!cells.join(QString()).isEmpty())
            rows << cells.join(',');
    }
    return rows;
}

} // namespace

class E2eResultsTest : public E2eOfficeCase
{
    Q_OBJECT

    // The "categories" workbook (Summary rows 2-8: K001 East, K002 West,
    // K003 North, K004 East, K005 North, K006 West, K007 East; Q1..Q4 in
    // C..F) in `ending`, split by `job` into week1/ with C2:F8 editable and
    // column 2 matched; week2/ made empty beside it. The result's path, or
    // an empty text after a failed check.
    QString firstWeek(const QString &job, const QString &ending, const QStringList &passwords)
    {
        const auto failed = [](const char *what) {
            qWarning("%s", what);
            return QString();
        };
        if (!makeWorkbook("categories", in("regions.xlsx")))
            return failed("no workbook made");
        if (ending == QLatin1String("xls") && !saveAsXls(in("regions.xlsx"), in("regions.xls")))
            return failed("no .xls made");
        const QString week1 = casePath() + "/week1";
        if (!QDir().mkpath(week1) || !QDir().mkpath(casePath() + "/week2"))
            return failed("no folders made");
        const CliRun run = runCli(QStringList{job, in("regions." + ending), week1, "--edit-range", "C2:F8",
                                              "--match-column", "2"} + passwords);
        if (run.exitCode != 0 || run.lastLine() != success(job))
            return failed(qPrintable(run.describe()));
        return week1 + "/regions." + ending;
    }
private slots:
    void aResultIsKnownByTheJobThatMadeIt_data()
    {
        QTest::addColumn<QString>("madeBy");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QStringList>("passwords");
        for (const char *job : {"classify", "link"}) {
            for (const char *ending : {"xlsx", "xls"})
                QTest::addRow("%s, .%s", job, ending) << QString(job) << QString(ending) << QStringList();
        }
        QTest::newRow("classify, .xlsx, sheet and structure passwords")
            << "classify" << "xlsx" << QStringList{"--sheet-password", "s", "--structure-password", "w"};
    }

    // A result saved again by the office is still known: the other job
    // refuses it naming the job that made it, and saves nothing.
    void aResultIsKnownByTheJobThatMadeIt()
    {
        QFETCH(QString, madeBy);
        QFETCH(QString, ending);
        QFETCH(QStringList, passwords);
        const QString other = madeBy == QLatin1String("classify") ? "link" : "classify";
        const QString result = firstWeek(madeBy, ending, passwords);
        QVERIFY(!result.isEmpty());

        // Saved again by the office, as a user would after a week's work.
        const QString again = casePath() + "/again." + ending;
        QVERIFY(saveAsXls(result, again));
        // The window reads the mark from either file before any job.
        for (const QString &made : {result, again}) {
            const std::optional<ResultMark> mark = markInFile(made);
            QVERIFY2(mark, qPrintable(made));
            QCOMPARE(mark->job == ResultMark::Job::Classify, madeBy == QLatin1String("classify"));
            QCOMPARE(mark->editRange, QStringLiteral("C2:F8"));
            QCOMPARE(mark->lookupColumn, 2);
            QCOMPARE(mark->madeSheets.size(), 4);
        }
        QVERIFY(!markInFile(in("regions." + ending)));
        const QString second = casePath() + "/week2";
        const CliRun run = runCli({other, again, second, "--edit-range", "C2:F8", "--match-column", "2"});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.lastLine(), otherJobText(madeBy));
        QCOMPARE(entriesOf(second), QStringList());
    }

    void aClassifyResultIsUpdated_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QStringList>("passwords");
        const QStringList both{"--sheet-password", "s1", "--structure-password", "w2"};
        for (const char *ending : {"xlsx", "xls"}) {
            QTest::addRow(".%s", ending) << QString(ending) << QStringList();
            QTest::addRow(".%s, sheet and structure passwords", ending) << QString(ending) << both;
        }
    }

    // The weekly cycle: split, work on the summary through the office (two
    // records appended, one in a new category; a record moved to another
    // category, a value changed, a record deleted, which leaves West empty),
    // save, then the same job on the result. Every record lands on its
    // category's sheet with its latest values; the job says what changed;
    // the editable block grows over the new records (to row 9, once row 7 is gone); an edit made after the
    // update still reaches the category sheets.
    void aClassifyResultIsUpdated()
    {
        QFETCH(QString, ending);
        QFETCH(QStringList, passwords);
        const QString result = firstWeek("classify", ending, passwords);
        QVERIFY(!result.isEmpty());
        const QString week2 = casePath() + "/week2";
        const QString sheetPassword = passwords.isEmpty() ? QString() : QStringLiteral("s1");
        CliRun run;
        QVERIFY(editWorkbook(result, sheetPassword, QJsonArray{
            QJsonArray{"Summary", "A9", "South"}, QJsonArray{"Summary", "B9", "K008"}, QJsonArray{"Summary", "C9", 81},
            QJsonArray{"Summary", "A10", "East"}, QJsonArray{"Summary", "B10", "K009"}, QJsonArray{"Summary", "C10", 91},
            QJsonArray{"Summary", "A3", "North"}, QJsonArray{"Summary", "C2", 999},
            QJsonArray{"Summary", "delete-row", 7}}));

        // Without the passwords it was made with, nothing is saved.
        // (LibreOffice drops an .xlsx's structure lock when it opens one, so
        // the .xlsx edited there comes back without it.)
        if (!passwords.isEmpty()) {
            if (ending == QLatin1String("xls")) {
                run = runCli({"classify", result, week2, "--sheet-password", "s1"});
                QCOMPARE(run.exitCode, 1);
                QVERIFY2(run.lastLine().contains(QString::fromUtf8("工作簿结构保护密码")), qPrintable(run.lastLine()));
            }
            run = runCli({"classify", result, week2, "--structure-password", "w2"});
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.lastLine().contains(QString::fromUtf8("保护密码不正确")), qPrintable(run.lastLine()));
            QCOMPARE(entriesOf(week2), QStringList());
        }
        // A setting given must be the one the result was made with.
        run = runCli({"classify", result, week2, "--column", "2"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.lastLine().contains("--column"), qPrintable(run.lastLine()));

        run = runCli(QStringList{"classify", result, week2, "--match-column", "2"} + passwords);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success("classify"), qPrintable(run.describe()));
        for (const QString &line : {QString::fromUtf8("新增记录 2 条(K008、K009)"),
                                    QString::fromUtf8("改变分类的记录 1 条(K002)"),
                                    QString::fromUtf8("不再有的记录 1 条(K006)"),
                                    QString::fromUtf8("新增分类 1 个(South)"),
                                    QString::fromUtf8("删除分类 1 个(West)")})
            QVERIFY2(run.lines.contains(line), qPrintable(run.describe()));
        QVERIFY(fileBytes(result).size() > 0);

        const QString updated = week2 + "/regions." + ending;
        // Each category sheet: the header, then its records in summary order
        // with their latest values.
        const QMap<QString, QStringList> expected{
            {"East", {"East,K001,999,12,13,14", "East,K004,41,42,43,44", "East,K007,71,72,73,74", "East,K009,91,,,"}},
            {"North", {"North,K002,21,22,23,24", "North,K003,31,32,33,34", "North,K005,51,52,53,54"}},
            {"South", {"South,K008,81,,,"}},
        };
        QJsonObject fresh = freshOfficeSheets(updated);
        QStringList names = fresh.keys();
        names.sort();
        QCOMPARE(names, (QStringList{"East", "North", "South", "Summary", QString::fromUtf8("目录")}));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(recordRows(fresh, it.key()), it.value());
        if (ending == QLatin1String("xlsx")) {
            const QJsonObject book = readWorkbook(updated);
            const QJsonArray ranges = sheetOf(book, "Summary").value("protectedRanges").toArray();
            QCOMPARE(ranges.size(), 1);
            QCOMPARE(ranges.first().toObject().value("sqref").toString(), QStringLiteral("C2:F9"));
        }

        // A week later: an edit on the summary reaches its category sheet.
        QVERIFY(editWorkbook(updated, sheetPassword, QJsonArray{QJsonArray{"Summary", "D8", 555}}));
        fresh = freshOfficeSheets(updated);
        QCOMPARE(fresh.value("South").toArray().at(1).toArray().at(3).toString(), QStringLiteral("555"));
    }

    void anEncryptedResultOpensWithItsPassword_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow(".xlsx") << "xlsx";
        QTest::newRow(".xls") << "xls";
    }

    // A result encrypted under an open password is opened with it and saved
    // under it again; a missing or wrong open password, or a wrong
    // structure password, is refused by name and saves nothing.
    void anEncryptedResultOpensWithItsPassword()
    {
        QFETCH(QString, ending);
        const QStringList passwords{"--open-password", "op", "--sheet-password", "s1", "--structure-password", "w2"};
        const QString result = firstWeek("link", ending, passwords);
        QVERIFY(!result.isEmpty());
        const QString week2 = casePath() + "/week2";
        CliRun run;

        const QList<QPair<QStringList, QString>> refusals{
            {{"--sheet-password", "s1", "--structure-password", "w2"},
             QString::fromUtf8("此工作簿设有打开密码,请在“打开密码”中填写后再试,本次未生成文件。")},
            {{"--open-password", "no", "--sheet-password", "s1", "--structure-password", "w2"},
             QString::fromUtf8("打开密码不正确,无法打开此工作簿,本次未生成文件。")},
            {{"--open-password", "op", "--sheet-password", "s1", "--structure-password", "no"},
             QString::fromUtf8("工作簿结构保护密码不正确或未填写,无法更新此前的结果,本次未生成文件。")},
        };
        for (const auto &refusal : refusals) {
            run = runCli(QStringList{"link", result, week2} + refusal.first);
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.lastLine(), refusal.second);
            QCOMPARE(entriesOf(week2), QStringList());
        }

        run = runCli(QStringList{"link", result, week2} + passwords);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success("link"), qPrintable(run.describe()));
        const QString clear = casePath() + "/clear." + ending;
        QCOMPARE(decryptWorkbook(week2 + "/regions." + ending, "op", clear), 0);
        const QJsonObject fresh = freshOfficeSheets(clear);
        QCOMPARE(recordRows(fresh, "North"), (QStringList{"North,K003,31,32,33,34", "North,K005,51,52,53,54"}));
        QCOMPARE(recordRows(fresh, "Summary").size(), 7);
    }

    void aLinkResultIsUpdated_data() { aClassifyResultIsUpdated_data(); }

    // The weekly cycle of a link result, its data entered on the category
    // sheets through the office: a value changed, a record typed below
    // East's records (its category left blank), a record moved by its
    // category cell, a record's row deleted, a record of a new category
    // typed on West, and one typed on the summary as values. The update
    // brings every record to its sheet with its latest values, the summary
    // follows every one of them, and a key on two sheets is refused.
    void aLinkResultIsUpdated()
    {
        QFETCH(QString, ending);
        QFETCH(QStringList, passwords);
        const QString result = firstWeek("link", ending, passwords);
        QVERIFY(!result.isEmpty());
        const QString week2 = casePath() + "/week2";
        // East holds K001, K004, K007; West K002, K006; North K003, K005.
        const QString sheetPassword = passwords.isEmpty() ? QString() : QStringLiteral("s1");
        CliRun run;
        QVERIFY(editWorkbook(result, sheetPassword, QJsonArray{
            QJsonArray{"East", "D3", 444}, QJsonArray{"East", "B5", "K008"}, QJsonArray{"East", "C5", 81},
            QJsonArray{"North", "A2", "West"}, QJsonArray{"West", "delete-row", 3},
            QJsonArray{"West", "A3", "South"}, QJsonArray{"West", "B3", "K009"}, QJsonArray{"West", "C3", 91},
            QJsonArray{"Summary", "A9", "North"}, QJsonArray{"Summary", "B9", "K010"},
            QJsonArray{"Summary", "C9", 101}}));

        // One key on two sheets: nothing is saved, and the text names both.
        const QString twice = casePath() + "/twice." + ending;
        QVERIFY(QFile::copy(result, twice));
        QVERIFY(editWorkbook(twice, sheetPassword, QJsonArray{QJsonArray{"North", "B4", "K001"}}));
        run = runCli(QStringList{"link", twice, week2} + passwords);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.lastLine().contains(QString::fromUtf8("“K001”同时出现在工作表“East”和“North”中")),
                 qPrintable(run.lastLine()));
        QCOMPARE(entriesOf(week2), QStringList());
        // A row typed without its key would be lost: refused, naming it.
        if (ending == QLatin1String("xlsx") && passwords.isEmpty()) {
            const QString keyless = casePath() + "/keyless.xlsx";
            QVERIFY(QFile::copy(result, keyless));
            QVERIFY(editWorkbook(keyless, sheetPassword, QJsonArray{QJsonArray{"East", "C6", 5}}));
            run = runCli({"link", keyless, week2});
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.lastLine(), QString::fromUtf8("工作表“East”第6行有内容但匹配列为空,请填写匹配列或删除该行后再更新,本次未生成文件。"));
            QCOMPARE(entriesOf(week2), QStringList());
        }

        run = runCli(QStringList{"link", result, week2} + passwords);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success("link"), qPrintable(run.describe()));
        for (const QString &line : {QString::fromUtf8("新增记录 3 条(K010、K008、K009)"),
                                    QString::fromUtf8("改变分类的记录 1 条(K003)"),
                                    QString::fromUtf8("不再有的记录 1 条(K006)"),
                                    QString::fromUtf8("新增分类 1 个(South)")})
            QVERIFY2(run.lines.contains(line), qPrintable(run.describe()));

        const QString updated = week2 + "/regions." + ending;
        const QMap<QString, QStringList> expected{
            {"Summary", {"East,K001,11,12,13,14", "West,K002,21,22,23,24", "West,K003,31,32,33,34",
                         "East,K004,41,444,43,44", "North,K005,51,52,53,54", "East,K007,71,72,73,74",
                         "North,K010,101,,,", "East,K008,81,,,", "South,K009,91,,,"}},
            {"East", {"East,K001,11,12,13,14", "East,K004,41,444,43,44", "East,K007,71,72,73,74", "East,K008,81,,,"}},
            {"West", {"West,K002,21,22,23,24", "West,K003,31,32,33,34"}},
            {"North", {"North,K005,51,52,53,54", "North,K010,101,,,"}},
            {"South", {"South,K009,91,,,"}},
        };
        QJsonObject fresh = freshOfficeSheets(updated);
        QStringList names = fresh.keys();
        names.sort();
        QCOMPARE(names, (QStringList{"East", "North", "South", "Summary", "West", QString::fromUtf8("目录")}));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(recordRows(fresh, it.key()), it.value());
        if (ending == QLatin1String("xlsx")) {
            // East's records open for editing, and the rows below them.
            const QJsonArray ranges = sheetOf(readWorkbook(updated), "East").value("protectedRanges").toArray();
            QCOMPARE(ranges.size(), 1);
            QCOMPARE(ranges.first().toObject().value("sqref").toString(), QStringLiteral("C2:F5 A6:F205"));
        }

        // A week later: an edit on a category sheet reaches the summary.
        QVERIFY(editWorkbook(updated, sheetPassword, QJsonArray{QJsonArray{"East", "C5", 888}}));
        fresh = freshOfficeSheets(updated);
        QCOMPARE(fresh.value("Summary").toArray().at(8).toArray().at(2).toString(), QStringLiteral("888"));
    }
};

QTEST_GUILESS_MAIN(E2eResultsTest)
#include "e2e_results_test.moc"
