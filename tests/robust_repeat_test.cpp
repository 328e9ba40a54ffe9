// The window's repeated use in one process: job after job, each on a new
// worker thread with a new worker, both jobs in turn. Memory, threads and
// file descriptors settle after the first few jobs, and no office outlives
// its job.
#include "JobSettings.h"
#include "lo_Fixtures.h"
#include "robust_JobDriver.h"
#include "robust_Processes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

int jobCount()
{
    bool ok = false;
    const int fromEnv = qEnvironmentVariableIntValue("SHEETSPLICER_ROBUST_JOBS", &ok);
    return ok && fromEnv > 10 ? fromEnv : 30;
}

struct Usage
{
    qint64 residentKb = 0;
    int threads = 0;
    int descriptors = 0;
};

Usage usageNow()
{
    return {residentKb(), threadCount(), openDescriptors()};
}

} // namespace

class RobustRepeatTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void manyJobsInARow();

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_temp;
};

void RobustRepeatTest::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_temp.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
}

void RobustRepeatTest::cleanupTestCase()
{
    signalChildOffices(SIGKILL);
}

void RobustRepeatTest::manyJobsInARow()
{
    const QString source = m_dir.filePath(QStringLiteral("repeat.xlsx"));
    QVERIFY(makeWorkbook(QStringLiteral("categories"), source));
    const QString out = m_dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const QString result = out + QStringLiteral("/repeat.xlsx");

    const int jobs = jobCount();
    const int settled = 10;
    Usage afterSettled;
    Usage peak;
    JobDriver driver;
    for (int job = 1; job <= jobs; ++job) {
        const bool classify = job % 2 == 1;
        JobSettings settings;
        settings.sourceWorkbookPath = source;
        settings.savePath = out + QLatin1Char('/');
        settings.allowEditRangeEnabled = true;
        settings.allowEditRange = classify ? QStringLiteral("C2:F8") : QStringLiteral("C2:F100");
        settings.lookupColumn = 2;
        settings.sheetPassword = QStringLiteral("pw");
        settings.structurePasswordEnabled = job % 3 == 0;
        settings.structurePassword = QStringLiteral("structure");
        JobSettings::current() = settings;
        QFile::remove(result);

        driver.start(classify ? JobDriver::Kind::ClassifyShow : JobDriver::Kind::InsertHyperLinks);
        QVERIFY2(driver.waitForEnd(180000, 50), qPrintable(QStringLiteral("job %1 did not end: %2")
                                                               .arg(job).arg(driver.texts().join('\n'))));
        const QString done = QString::fromUtf8(classify ? "成功生成汇总分类表!" : "成功生成分类汇总表!");
        QVERIFY2(driver.lastText() == done, qPrintable(QStringLiteral("job %1: %2").arg(job).arg(driver.lastText())));
        QCOMPARE(driver.ends(), 1);
        QVERIFY(QFileInfo(result).size() > 0);
        QVERIFY2(childOffices().isEmpty(), qPrintable(QStringLiteral("an office outlived job %1").arg(job)));

        const Usage now = usageNow();
        peak.residentKb = qMax(peak.residentKb, now.residentKb);
        peak.threads = qMax(peak.threads, now.threads);
        peak.descriptors = qMax(peak.descriptors, now.descriptors);
        if (job == settled)
            afterSettled = now;
        if (job == 1 || job % 10 == 0)
            qInfo("job %d: %lld kB resident, %d threads, %d descriptors", job, now.residentKb, now.threads,
                  now.descriptors);
    }

    const Usage end = usageNow();
    qInfo("peak: %lld kB resident, %d threads, %d descriptors", peak.residentKb, peak.threads, peak.descriptors);
    QVERIFY2(end.residentKb <= afterSettled.residentKb * 11 / 10,
             qPrintable(QStringLiteral("resident memory grew from %1 kB after job %2 to %3 kB after job %4")
                            .arg(afterSettled.residentKb).arg(settled).arg(end.residentKb).arg(jobs)));
    QVERIFY2(end.threads <= afterSettled.threads,
             qPrintable(QStringLiteral("threads grew from %1 to %2").arg(afterSettled.threads).arg(end.threads)));
    QVERIFY2(end.descriptors <= afterSettled.descriptors,
             qPrintable(QStringLiteral("file descriptors grew from %1 to %2")
                            .arg(afterSettled.descriptors).arg(end.descriptors)));
    const QStringList profiles = QDir(m_temp.path()).entryList({QStringLiteral("sheetsplicer-office-*")},
                                                               QDir::AllEntries | QDir::Hidden);
    QVERIFY2(profiles.isEmpty(), qPrintable(profiles.join(' ')));
}

int main(int argc, char **argv)
{
    // A hundred jobs take longer than QtTest's five minutes per function.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "1500000");
    QCoreApplication application(argc, argv);
    RobustRepeatTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "robust_repeat_test.moc"
