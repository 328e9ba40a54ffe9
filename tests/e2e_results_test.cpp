// Results the jobs made, given to a job again: each result carries a mark of
// the job that made it, which survives the office saving the workbook again,
// and a result of the other job is refused with a text naming that job.
#include "e2e_Cli.h"
#include "e2e_OfficeCase.h"
#include "lo_Fixtures.h"

#include <QDir>
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

} // namespace

class E2eResultsTest : public E2eOfficeCase
{
    Q_OBJECT
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
        QVERIFY(makeWorkbook("categories", in("regions.xlsx")));
        if (ending == QLatin1String("xls"))
            QVERIFY(saveAsXls(in("regions.xlsx"), in("regions.xls")));
        const QString source = in("regions." + ending);
        const QString first = casePath() + "/first";
        QVERIFY(QDir().mkpath(first));
        CliRun run = runCli(QStringList{madeBy, source, first, "--edit-range", "C2:F8", "--match-column", "2"}
                            + passwords);
        QVERIFY2(run.exitCode == 0 && run.lastLine() == success(madeBy), qPrintable(run.describe()));

        // Saved again by the office, as a user would after a week's work.
        const QString again = casePath() + "/again." + ending;
        QVERIFY(saveAsXls(first + "/regions." + ending, again));
        const QString second = casePath() + "/second";
        QVERIFY(QDir().mkpath(second));
        run = runCli({other, again, second, "--edit-range", "C2:F8", "--match-column", "2"});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.lastLine(), otherJobText(madeBy));
        QCOMPARE(entriesOf(second), QStringList());
    }
};

QTEST_GUILESS_MAIN(E2eResultsTest)
#include "e2e_results_test.moc"
