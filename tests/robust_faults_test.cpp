// Faults in the middle of a job, against a real office: the office killed or
// frozen, the source file or the output folder pulled away. Every job must
// still end with one defined text followed by exactly one end signal, leave
// no office running and no partial result behind.
#include "JobSettings.h"
#include "lo_Fixtures.h"
#include "robust_JobDriver.h"
#include "robust_Processes.h"
#include "robust_Workbooks.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const officeLost = "表格程序意外退出,本次未生成文件,请重试!";
const char *const saveFailed = "保存失败,请检查保存文件夹是否可写,或同名文件是否正被打开!";
const char *const sourceRefused = "文件格式不正确,或文件不存在!";
// %1: the source's path.
const char *const sourceMissing = "找不到汇总表文件“%1”,请检查文件是否已被移动、改名或删除,本次未生成文件。";
const char *const openFailed = "文件格式不正确,请重新设计汇总表,并避免使用复杂的单元格合并!";
const char *const noCategory = "无法进行拆分!!! 因指定列中存在空单元格;请先删除该列的空单元格,"
                               "或列出需拆分的项目,格式如：猪八戒<b>|</b>孙悟空<b>|</b>沙和尚";
const char *const classifyDone = "成功生成汇总分类表!";
const char *const splittingPrefix = "正在拆分到：";
const char *const scanningSuffix = " 文件扫描中...";

const int bigRows = 20000;
const int bigCategories = 30;

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

int splitTexts(const QStringList &texts)
{
    int count = 0;
    for (const QString &text : texts)
        count += text.startsWith(u(splittingPrefix)) ? 1 : 0;
    return count;
}

void settingsFor(const QString &source, const QString &outFolder, const QString &editRange = QString())
{
    JobSettings settings;
    settings.sourceWorkbookPath = source;
    settings.savePath = outFolder + QLatin1Char('/');
    settings.classifyColumn = 1;
    settings.allowEditRangeEnabled = !editRange.isEmpty();
    settings.allowEditRange = editRange;
    settings.sheetPassword = QStringLiteral("pw");
    settings.lookupColumn = 2;
    JobSettings::current() = settings;
}

} // namespace

class RobustFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void officeGoneMidJob_data();
    void officeGoneMidJob();
    void sourceChangedUnderTheJob_data();
    void sourceChangedUnderTheJob();
    void outputFolderChangedBeforeSaving_data();
    void outputFolderChangedBeforeSaving();

private:
    // The job ended once, with `text` as its last text, right before the end.
    void verifyEndedWith(const JobDriver &driver, const QString &text);
    void verifyNothingLeft();

    QTemporaryDir m_dir;
    QTemporaryDir m_temp;   // TMPDIR of the offices: their profiles land here
    QString m_big;          // 20,000 rows, 30 categories
    QString m_small;        // 7 rows, 3 categories
    QString m_noCategory;   // an empty category column
    QString m_source;       // this test's copy of the source
    QString m_out;          // this test's output folder
};

void RobustFaultsTest::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_temp.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    m_big = m_dir.filePath(QStringLiteral("big.xlsx"));
    QVERIFY(makeLargeWorkbook(m_big, bigRows, bigCategories));
    m_small = m_dir.filePath(QStringLiteral("small.xlsx"));
    QVERIFY(makeWorkbook(QStringLiteral("categories"), m_small));
    m_noCategory = m_dir.filePath(QStringLiteral("nocategory.xlsx"));
    QVERIFY(makeWorkbook(QStringLiteral("empty-column"), m_noCategory));
}

void RobustFaultsTest::init()
{
    QVERIFY(childOffices().isEmpty());
    const QString work = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char('_')
                                        + QString::number(QDateTime::currentMSecsSinceEpoch()));
    QVERIFY(QDir().mkpath(work + QStringLiteral("/out")));
    m_source = work + QStringLiteral("/source.xlsx");
    m_out = work + QStringLiteral("/out");
}

void RobustFaultsTest::cleanup()
{
    // Whatever a failed check left running goes now, so the next test starts clean.
    signalChildOffices(SIGKILL);
    ::chmod(QFile::encodeName(m_out).constData(), 0755);
}

void RobustFaultsTest::verifyEndedWith(const JobDriver &driver, const QString &text)
{
    QCOMPARE(driver.lastText(), text);
    QCOMPARE(driver.ends(), 1);
    const QStringList &events = driver.events();
    QVERIFY(events.size() >= 2);
    QCOMPARE(events.at(events.size() - 2), text);
    QCOMPARE(events.last(), QStringLiteral("<end>"));
    QVERIFY2(!driver.texts().contains(u(classifyDone)), qPrintable(driver.texts().join('\n')));
}

void RobustFaultsTest::verifyNothingLeft()
{
    QVERIFY(JobDriver::spinUntil([] { return childOffices().isEmpty(); }, 5000));
    const QStringList profiles = QDir(m_temp.path()).entryList({QStringLiteral("sheetsplicer-office-*")},
                                                               QDir::AllEntries | QDir::Hidden);
    QVERIFY2(profiles.isEmpty(), qPrintable(profiles.join(' ')));
}

// The office killed (SIGKILL) or frozen (SIGSTOP) while the job splits,
// writes formulas or saves. Frozen, it is the watchdog that ends it.
void RobustFaultsTest::officeGoneMidJob_data()
{
    QTest::addColumn<QString>("phase");
    QTest::addColumn<int>("signal");
    QTest::newRow("killed while splitting") << "split" << int(SIGKILL);
    QTest::newRow("killed while writing formulas") << "formulas" << int(SIGKILL);
    QTest::newRow("killed while saving") << "save" << int(SIGKILL);
    QTest::newRow("frozen while splitting") << "split" << int(SIGSTOP);
    QTest::newRow("frozen while saving") << "save" << int(SIGSTOP);
}

void RobustFaultsTest::officeGoneMidJob()
{
    QFETCH(QString, phase);
    QFETCH(int, signal);
    QVERIFY(QFile::copy(m_big, m_source));
    settingsFor(m_source, m_out, QStringLiteral("C2:F%1").arg(bigRows + 1));

    JobDriver driver;
    driver.start(JobDriver::Kind::ClassifyShow);
    const QString lastCategory = u(splittingPrefix) + QStringLiteral("C%1").arg(bigCategories - 1);
    qint64 lastSplitAt = -1;
    const auto due = [&]() -> bool {
        if (phase == QLatin1String("split"))
            return splitTexts(driver.texts()) >= 3;
        if (phase == QLatin1String("formulas")) {
            // After the last category, the sheets are linked one by one: the
            // progress then counts every sheet, more than the categories.
            if (lastSplitAt < 0 && driver.texts().contains(lastCategory))
                lastSplitAt = driver.sinceStartMs();
            return lastSplitAt >= 0 && driver.progress().second > bigCategories && driver.progress().first >= 3;
        }
        // The result is written to a hidden file beside it first.
        return !QDir(m_out).entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden).isEmpty();
    };
    qint64 firedAt = -1;
    JobDriver::spinUntil([&] {
        if (driver.ends())
            return true;
        if (!due())
            return false;
        firedAt = driver.sinceStartMs();
        signalChildOffices(signal);
        return true;
    }, 400000);
    QVERIFY2(firedAt >= 0, qPrintable(QStringLiteral("the job ended before the %1 phase: %2")
                                          .arg(phase, driver.texts().join(QLatin1Char('\n')))));
    if (phase == QLatin1String("formulas"))
        QVERIFY2(QDir(m_out).entryList(QDir::Files | QDir::Hidden).isEmpty(), "already saving");

    QVERIFY2(driver.waitForEnd(90000), qPrintable(driver.texts().join(QLatin1Char('\n'))));
    qInfo("ended %lld ms after the signal", driver.endedAfterMs() - firedAt);
    QVERIFY(driver.endedAfterMs() - firedAt <= 60000);
    verifyEndedWith(driver, u(officeLost));
    QCOMPARE(folderEntries(m_out), QStringList());
    verifyNothingLeft();
}

// The source file goes away or changes after the window checked it: before
// the job starts, or between the job's own check and its open.
void RobustFaultsTest::sourceChangedUnderTheJob_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("beforeOpen");
    QTest::addColumn<QString>("expected");
    // Refused before the office starts.
    QTest::newRow("removed before the job") << "remove" << false << u(sourceMissing);
    QTest::newRow("replaced by a folder before the job") << "folder" << false << u(sourceRefused);
    QTest::newRow("removed before the open") << "remove" << true << u(openFailed);
    QTest::newRow("replaced by junk before the open") << "junk" << true << u(openFailed);
    QTest::newRow("emptied before the open") << "empty" << true << QString();
    QTest::newRow("replaced by a folder before the open") << "folder" << true << u(openFailed);
    QTest::newRow("replaced by another workbook before the open") << "workbook" << true << u(noCategory);
}

void RobustFaultsTest::sourceChangedUnderTheJob()
{
    QFETCH(QString, change);
    QFETCH(bool, beforeOpen);
    QFETCH(QString, expected);
    expected.replace(QLatin1String("%1"), QDir::toNativeSeparators(m_source));
    QVERIFY(QFile::copy(m_small, m_source));
    settingsFor(m_source, m_out);

    const QString source = m_source;
    const QString other = m_noCategory;
    auto changed = std::make_shared<std::atomic<bool>>(false);
    const auto apply = [=] {
        QFile::remove(source);
        if (change == QLatin1String("junk")) {
            QFile junk(source);
            if (junk.open(QIODevice::WriteOnly))
                junk.write(QByteArray(4096, '\x5a'));
        } else if (change == QLatin1String("empty")) {
            QFile(source).open(QIODevice::WriteOnly);
        } else if (change == QLatin1String("folder")) {
            QDir().mkpath(source);
        } else if (change == QLatin1String("workbook")) {
            QFile::copy(other, source);
        }
        changed->store(true);
    };

    JobDriver driver;
    if (beforeOpen) {
        // On the worker thread, after the job's check and before its open.
        driver.setTextHook([=](const QString &text) {
            if (text.endsWith(u(scanningSuffix)))
                apply();
        });
    } else {
        apply();
    }
    driver.start(JobDriver::Kind::ClassifyShow);
    QVERIFY2(driver.waitForEnd(180000), qPrintable(driver.texts().join(QLatin1Char('\n'))));
    QVERIFY(changed->load());
    if (expected.isEmpty()) {
        // An empty file may open as an empty sheet or not at all.
        const QString last = driver.lastText();
        QVERIFY2(last == u(openFailed) || last == u(noCategory), qPrintable(last));
        expected = last;
    }
    verifyEndedWith(driver, expected);
    QCOMPARE(folderEntries(m_out), QStringList());
    verifyNothingLeft();
}

// The output folder goes away, turns read-only or is replaced by a file
// while the job is still splitting.
void RobustFaultsTest::outputFolderChangedBeforeSaving_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("removed") << "remove";
    QTest::newRow("made read-only") << "readonly";
    QTest::newRow("replaced by a file") << "file";
}

void RobustFaultsTest::outputFolderChangedBeforeSaving()
{
    QFETCH(QString, change);
    QVERIFY(QFile::copy(m_small, m_source));
    settingsFor(m_source, m_out, QStringLiteral("C2:F8"));

    const QString out = m_out;
    auto splits = std::make_shared<std::atomic<int>>(0);
    auto changed = std::make_shared<std::atomic<bool>>(true);
    JobDriver driver;
    driver.setTextHook([=](const QString &text) {
        // The last of the three categories: everything but the save is left.
        if (!text.startsWith(u(splittingPrefix)) || ++*splits != 3)
            return;
        if (change == QLatin1String("remove")) {
            QDir(out).removeRecursively();
        } else if (change == QLatin1String("readonly")) {
            ::chmod(QFile::encodeName(out).constData(), 0555);
            // As root the mode alone would not stop the job's thread; the
            // override goes with the thread when the job is over.
            if (::geteuid() == 0)
                changed->store(dropFileOverrideOnThisThread());
        } else {
            QDir(out).removeRecursively();
            QFile file(out);
            if (file.open(QIODevice::WriteOnly))
                file.write("not a folder");
        }
    });
    driver.start(JobDriver::Kind::ClassifyShow);
    QVERIFY2(driver.waitForEnd(180000), qPrintable(driver.texts().join(QLatin1Char('\n'))));
    QCOMPARE(splits->load(), 3);
    if (!changed->load())
        QSKIP("running as root without the right to drop the file-permission override");
    verifyEndedWith(driver, u(saveFailed));
    if (change == QLatin1String("remove")) {
        QVERIFY(!QFileInfo::exists(out));
    } else if (change == QLatin1String("readonly")) {
        QCOMPARE(folderEntries(out), QStringList());
    } else {
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a folder"));
    }
    QVERIFY(QFileInfo::exists(m_source));
    verifyNothingLeft();
}

QTEST_GUILESS_MAIN(RobustFaultsTest)
#include "robust_faults_test.moc"
