// A job's session with a real office: what it reports, that every job binds
// an office of its own, and that nothing of it outlives the job.
#include "JobSettings.h"
#include "MergeObject.h"
#include "lo_Fixtures.h"

#include "AutomationObject.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString missingApplication = QString::fromUtf8("本功能需要电脑中装有微软office或金山wps专业版(注意是专业版,不是个人版)!");

struct Run
{
    QStringList texts;
    int ends = 0;
    bool endedLast = false;
};

// One job slot run to its end on this thread, as the command line runs it.
Run runJob(void (MergeObject::*slot)())
{
    MergeObject worker(QStringLiteral("tem"));
    Run run;
    QObject::connect(&worker, &MergeObject::ShowDisposingFile, [&](const QString &text) {
        run.texts << text;
        run.endedLast = false;
    });
    QObject::connect(&worker, &MergeObject::Signal_SetButtonEnable, [&] {
        ++run.ends;
        run.endedLast = true;
    });
    (worker.*slot)();
    return run;
}

QStringList profilesOfThisProcess()
{
    return QDir::temp().entryList({QStringLiteral("sheetsplicer-office-%1-*").arg(QCoreApplication::applicationPid())},
                                  QDir::Dirs);
}

} // namespace

class LoSessionTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        JobSettings::current() = JobSettings();
        // A zip file, but no workbook: the job starts its office, which
        // cannot open it.
        const QString broken = m_dir.filePath("broken.xlsx");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("PK\x03\x04", 4) + QByteArray(60, 'x'));
        file.close();
        JobSettings::current().sourceWorkbookPath = broken;
        // Results go beside the sources, never into their folder.
        QDir(m_dir.path()).mkpath("out");
        JobSettings::current().savePath = m_dir.path() + "/out/";
    }
    void cleanup()
    {
        QCOMPARE(officeProcesses(), 0);
        QCOMPARE(profilesOfThisProcess(), QStringList());
        QVERIFY(QDir(m_dir.path()).entryList({".~lock*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    void aJobStartsItsSessionAndEndsIt()
    {
        const Run run = runJob(&MergeObject::ClassifyShow);
        QCOMPARE(run.texts.mid(0, 2), (QStringList{"excel OK!", "WorkBooks OK!"}));
        QCOMPARE(run.texts.last(), QString::fromUtf8("文件格式不正确,请重新设计汇总表,并避免使用复杂的单元格合并!"));
        QCOMPARE(run.ends, 1);
        QVERIFY(run.endedLast);
    }

    void withoutAnOfficeTheJobSaysSoAndEnds()
    {
        qputenv("SHEETSPLICER_OFFICE", "/nonexistent/soffice.bin");
        const Run run = runJob(&MergeObject::InsertHyperLinks);
        qunsetenv("SHEETSPLICER_OFFICE");
        QCOMPARE(run.texts, (QStringList{"excel OK!", "WorkBooks OK!", missingApplication}));
        QCOMPARE(run.ends, 1);
        QVERIFY(run.endedLast);
    }

    void jobsOneAfterTheOtherEachBindTheirOwnOffice()
    {
        const QString source = m_dir.filePath("twice.xlsx");
        QVERIFY(makeWorkbook("categories", source));
        JobSettings::current().sourceWorkbookPath = source;
        MergeObject worker(QStringLiteral("tem"));
        QSignalSpy ends(&worker, &MergeObject::Signal_SetButtonEnable);
        QStringList texts;
        connect(&worker, &MergeObject::ShowDisposingFile, [&](const QString &t) { texts << t; });
        const quint64 tripsBefore = AutomationObject::operationCount();
        worker.ClassifyShow();
        QCOMPARE(texts.last(), QString::fromUtf8("成功生成汇总分类表!"));
        QCOMPARE(officeProcesses(), 0);
        JobSettings::current().categoryNames.clear();
        texts.clear();
        worker.InsertHyperLinks();
        QCOMPARE(texts.mid(0, 2), (QStringList{"excel OK!", "WorkBooks OK!"}));
        QCOMPARE(texts.last(), QString::fromUtf8("成功生成分类汇总表!"));
        QCOMPARE(ends.count(), 2);
        QVERIFY(AutomationObject::operationCount() > tripsBefore);
    }

    void aPasswordProtectedSourceOpensWithItsPasswordOnly()
    {
        // Made by the backend itself: an .xlsx saved with an open password.
        const QString plain = m_dir.filePath("plain.xlsx");
        QVERIFY(makeWorkbook("categories", plain));
        const QString locked = m_dir.filePath("locked.xlsx");
        {
            AutomationObject application;
            application.setControl("Excel.Application");
            AutomationObject *book = application.querySubObject("WorkBooks")->querySubObject("Open(const QString&)", plain);
            QVERIFY(book);
            book->setProperty("Password", QStringLiteral("secret"));
            QVERIFY(book->dynamicCall("SaveAs(const QString&, QVariant)", locked, 51).isValid());
            application.dynamicCall("Quit(void)");
        }
        JobSettings::current().sourceWorkbookPath = locked;
        QElapsedTimer timer;
        timer.start();
        Run run = runJob(&MergeObject::ClassifyShow);
        QCOMPARE(run.texts.last(), QString::fromUtf8("此工作簿设有打开密码,请在“打开密码”中填写后再试,本次未生成文件。"));
        QCOMPARE(run.ends, 1);
        JobSettings::current().openPasswordEnabled = true;
        JobSettings::current().openPassword = QStringLiteral("wrong");
        run = runJob(&MergeObject::ClassifyShow);
        QCOMPARE(run.texts.last(), QString::fromUtf8("打开密码不正确,无法打开此工作簿,本次未生成文件。"));
        QVERIFY2(timer.elapsed() < 60000, "a password prompt must never be waited for");
        // With its password it opens, and its result is saved under it.
        JobSettings::current().openPassword = QStringLiteral("secret");
        run = runJob(&MergeObject::ClassifyShow);
        QCOMPARE(run.texts.last(), QString::fromUtf8("成功生成汇总分类表!"));
        JobSettings::current().openPasswordEnabled = false;
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(LoSessionTest)
#include "lo_session_test.moc"
