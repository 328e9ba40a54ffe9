// The window's job path against the recording backend, on every platform
// (on Windows under Wine, with the system's own window platform): a job's
// progress and result as the window shows them, and a cancel or a close
// during a job, which end the application the job started.

#include "MainWindow.h"
#include "MergeObject.h"
#include "ResultBar.h"
#include "Texts.h"

#include "engine_JobHarness.h"
#include "engine_RecordingBackend.h"
#include "window_test_support.h"

#include <QApplication>
#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

using namespace WindowTestSupport;

class WindowJobTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SourceFolder m_folder;
    QString m_source;
    QString m_outDir;

    const QStringList table{"Name|Region", "a|East", "b|West", "c|East", "d|North"};

    std::unique_ptr<MainWindow> makeWindow()
    {
        const QString settings = m_dir.filePath(QStringLiteral("Sheetsplicer.wqz"));
        QFile::remove(settings);
        auto window = std::make_unique<MainWindow>(QFile::encodeName(settings));
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_outDir);
        widget<QSpinBox>(*window, "sBox_Column")->setValue(2);
        return window;
    }

    // The job's thread waits in the application's `member` call until the
    // job is cancelled, as it would in a long call of a real application.
    static void holdAt(recording::Model &model, const char *member, QAtomicInt *held)
    {
        model.hookAtMember = member;
        model.hook = [held] {
            held->storeRelease(1);
            for (int i = 0; i < 1000 && held->loadAcquire() == 1; ++i)
                QThread::msleep(10);
        };
    }

    void verifyCancelled(MainWindow &window, const recording::Model &model)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!window.jobRunning(), 20000);
        QCOMPARE(widget<QLabel>(window, "lb_ShowDisposing")->text(), Texts::cancelled());
        QVERIFY2(model.aborted, "the cancel ends the application the job started");
        QVERIFY(widget<QPushButton>(window, "pBtn_ClassifyShow")->isEnabled());
        QVERIFY(!window.resultBar()->cancelButton()->isEnabled());
        QVERIFY(window.resultBar()->openFolderButton()->isHidden());
    }

private slots:
    void initTestCase()
    {
        quietOffscreenNotes();
        QVERIFY(m_dir.isValid());
        m_source = m_folder.file(QStringLiteral("summary.xlsx"));
        m_outDir = m_folder.outputFolder();
    }

    void cleanupTestCase() { restoreMessageHandler(); }

    void progressAndResult()
    {
        recording::RecordingBackend backend(recording::modelWithSummary(table));
        auto window = makeWindow();
        QList<QPair<int, int>> progress;
        widget<QPushButton>(*window, "pBtn_ClassifyShow")->click();
        QVERIFY(window->jobRunning());
        QVERIFY(!widget<QPushButton>(*window, "pBtn_ClassifyShow")->isEnabled());
        QVERIFY(window->resultBar()->cancelButton()->isEnabled());
        connect(window->worker(), &MergeObject::JobProgress, this,
                [&progress](int done, int total) { progress << qMakePair(done, total); });
        QTRY_VERIFY_WITH_TIMEOUT(!window->jobRunning(), 20000);

        const QString shown = widget<QLabel>(*window, "lb_ShowDisposing")->text();
        QVERIFY2(shown.startsWith(Texts::classifyShowDone()), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("summary.xlsx")));
        // One step per category sheet, counted up to the last.
        QVERIFY(progress.contains(qMakePair(3, 3)));
        QVERIFY(!window->resultBar()->cancelButton()->isEnabled());
        QVERIFY(!window->resultBar()->openFolderButton()->isHidden());
        QStringList sheets = backend.model().sheetNames();
        sheets.sort();
        QCOMPARE(sheets, (QStringList{QStringLiteral("East"), QStringLiteral("North"),
                                      QStringLiteral("Summary"), QStringLiteral("West"),
                                      QString::fromUtf8("目录")}));
        QVERIFY(backend.model().closed);
    }

    void cancelDuringAJob()
    {
        recording::RecordingBackend backend(recording::modelWithSummary(table));
        QAtomicInt held;
        holdAt(backend.model(), "Copy(const QVariant&)", &held);
        auto window = makeWindow();
        widget<QPushButton>(*window, "pBtn_ClassifyShow")->click();
        QTRY_VERIFY_WITH_TIMEOUT(held.loadAcquire() == 1, 20000);
        window->resultBar()->cancelButton()->click();
        held.storeRelease(2);
        verifyCancelled(*window, backend.model());
        QVERIFY(backend.model().savedPath.isEmpty());
    }

    void closeDuringAJob()
    {
        recording::RecordingBackend backend(recording::modelWithSummary(table));
        QAtomicInt held;
        holdAt(backend.model(), "Copy(const QVariant&)", &held);
        auto window = makeWindow();
        window->show();
        widget<QPushButton>(*window, "pBtn_ClassifyShow")->click();
        QTRY_VERIFY_WITH_TIMEOUT(held.loadAcquire() == 1, 20000);

        // The window asks first; yes cancels the job before the window goes.
        QString asked;
        answerNextQuestion(QMessageBox::Yes, &asked);
        QTimer::singleShot(500, [&held] { held.storeRelease(2); });
        QVERIFY(window->close());
        QVERIFY(!asked.isEmpty());
        QVERIFY(!window->isVisible());
        verifyCancelled(*window, backend.model());
    }
};

QTEST_MAIN(WindowJobTest)
#include "window_job_test.moc"
