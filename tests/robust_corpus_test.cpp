// A fixed sample of real-world workbooks through the command-line program:
// each job ends with one of the defined texts within the time limit, exits
// normally, leaves no office running and nothing but its result behind.
// The whole folder is run by scripts/robustness.sh.
#include "robust_Processes.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const int limitMs = 180000;

const char *const sample[] = {
    "0-www-crossref-org.lib.rivier.edu_education-files_suffix-generator.xlsm",
    "123233_charts.xlsx",
    "12561-2.xls",
    "19599-2.xls",
    "27349-vlookupAcrossSheets.xls",
    "30978-deleted.xls",
    "34775.xls",
    "3dFormulas.xls",
    "45431.xlsm",
    "49609.xlsx",
    "53568.xlsx",
    "57482-OnlyNumeric.xlsx",
    "64759.xlsx",
    "Excel_file_with_trash_item.xlsx",
    "MalformedSSTCount.xlsx",
    "SimpleScatterChart.xlsx",
    "TwoSheetsOneHidden.xlsx",
    "blankworkbook.xls",
    "clusterfuzz-testcase-minimized-XLSX2CSVFuzzer-5542865479270400.xlsx",
    "sheetProtection_not_protected.xlsx",
};

bool isDefinedText(const QString &text)
{
    static const QStringList texts{
        QString::fromUtf8("成功生成汇总分类表!"),
        QString::fromUtf8("成功生成分类汇总表!"),
        QString::fromUtf8("本功能需要电脑中装有微软office或金山wps专业版(注意是专业版,不是个人版)!"),
        QString::fromUtf8("文件格式不正确,或文件不存在!"),
        QString::fromUtf8("文件格式不正确,请重新设计汇总表,并避免使用复杂的单元格合并!"),
        QString::fromUtf8("可编辑区域无效,请按A1:C20的格式填写!"),
        QString::fromUtf8("保存失败,请检查保存文件夹是否可写,或同名文件是否正被打开!"),
        QString::fromUtf8("表格程序意外退出,本次未生成文件,请重试!"),
        QString::fromUtf8("汇总表受工作表保护,请先撤销保护后再拆分!"),
        QString::fromUtf8("工作簿结构受保护,请先撤销保护后再拆分!"),
        QString::fromUtf8("原工作簿中已有名为“目录”的工作表,请先将其改名后再拆分!"),
        QString::fromUtf8("无法把原工作簿的其他工作表排在分类表之前,本次未生成文件!"),
    };
    // Refusals that name a cell, a column, a sheet or the source file.
    static const QStringList beginnings{QString::fromUtf8("无法进行拆分!!!"), QString::fromUtf8("分类列中有合并单元格"),
                                        QString::fromUtf8("无法生成分类表“"), QString::fromUtf8("分类列中有公式"),
                                        QString::fromUtf8("分类列为第"), QString::fromUtf8("找不到汇总表文件“"),
                                        QString::fromUtf8("文件“"), QString::fromUtf8("汇总表文件“")};
    for (const QString &beginning : beginnings) {
        if (text.startsWith(beginning))
            return true;
    }
    return texts.contains(text);
}

QString corpusFolder()
{
    return QDir::cleanPath(QStringLiteral(SHEETSPLICER_CORPUS));
}

} // namespace

class RobustCorpusTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void sampleEndsWithADefinedText_data();
    void sampleEndsWithADefinedText();

private:
    QTemporaryDir m_temp;
};

void RobustCorpusTest::initTestCase()
{
    if (!QFileInfo(corpusFolder()).isDir())
        QSKIP("no real-world workbooks beside the project");
    QVERIFY(m_temp.isValid());
    // An office left by a crashed job comes to us and is counted.
    QVERIFY(becomeSubreaper());
}

void RobustCorpusTest::cleanup()
{
    signalChildOffices(SIGKILL);
    reapOrphans();
}

void RobustCorpusTest::sampleEndsWithADefinedText_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected"); // empty: any defined text
    for (const char *name : sample)
        QTest::newRow(name) << QString::fromUtf8(name) << QString();
    // The office opens it, but its structure cannot be read to finish the
    // .xls result: the source is blamed, not the save folder.
    QTest::newRow("61300.xls") << QStringLiteral("61300.xls")
                               << QString::fromUtf8("汇总表文件“61300.xls”已损坏(文件结构无法读取),"
                                                    "请在表格程序中打开并另存一份后再拆分,本次未生成文件。");
}

void RobustCorpusTest::sampleEndsWithADefinedText()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    const QString source = corpusFolder() + QLatin1Char('/') + file;
    QVERIFY2(QFileInfo::exists(source), qPrintable(source));
    QTemporaryDir out(m_temp.filePath(QStringLiteral("out-XXXXXX")));
    QVERIFY(out.isValid());
    const QString officeTemp = m_temp.filePath(QStringLiteral("tmp-") + QFileInfo(out.path()).fileName());
    QVERIFY(QDir().mkpath(officeTemp));

    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), officeTemp);
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(SHEETSPLICER_CLI),
              {QStringLiteral("classify"), source, out.path(), QStringLiteral("--column"), QStringLiteral("1")});
    QVERIFY(cli.waitForStarted());
    const bool finished = cli.waitForFinished(limitMs);
    if (!finished) {
        cli.kill();
        cli.waitForFinished();
    }
    const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString last = lines.value(lines.size() - 1);
    const QString errors = QString::fromUtf8(cli.readAllStandardError()).trimmed();
    QVERIFY2(finished, qPrintable(QStringLiteral("no end within %1 s; last text: %2").arg(limitMs / 1000).arg(last)));

    const bool crashed = cli.exitStatus() != QProcess::NormalExit;
    QVERIFY2(!crashed, qPrintable(QStringLiteral("crashed after \"%1\": %2").arg(last, errors)));
    QVERIFY2(isDefinedText(last), qPrintable(QStringLiteral("last text \"%1\", exit %2").arg(last).arg(cli.exitCode())));
    if (!expected.isEmpty())
        QCOMPARE(last, expected);
    const bool success = last.startsWith(QString::fromUtf8("成功生成"));
    if (!crashed)
        QCOMPARE(cli.exitCode(), success ? 0 : 1);

    QThread::msleep(300);
    reapOrphans();
    const QList<qint64> offices = childOffices();
    QVERIFY2(offices.isEmpty(), "an office was left running");
    const QStringList profiles = QDir(officeTemp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QVERIFY2(profiles.isEmpty(), qPrintable(profiles.join(' ')));

    const QStringList left = QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (success) {
        const QFileInfo info(file);
        QCOMPARE(left, QStringList{info.completeBaseName() + QLatin1Char('.') + info.suffix().toLower()});
    } else {
        QCOMPARE(left, QStringList());
    }
}

QTEST_GUILESS_MAIN(RobustCorpusTest)
#include "robust_corpus_test.moc"
