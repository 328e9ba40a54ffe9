// The window driving real jobs through LibreOffice (offscreen): the progress
// bar while a job runs, the saved file named after a success, and a cancel
// (by its button or by closing the window) that leaves neither a file nor an
// office behind.
//
// SHEETSPLICER_WINDOW_SHOTS=folder saves pictures of the window while it
// links the sheets (window-linking.png) and after the success
// (window-success.png).

#include "MainWindow.h"
#include "ResultBar.h"
#include "SingleInstance.h"

#include "JobSettings.h"
#include "MergeObject.h"
#include "Texts.h"

#include "lo_Fixtures.h"
#include "window_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSignalSpy>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace WindowTestSupport;

namespace {

const int categoryCount = 12;
const int jobTimeoutMs = 240000;

// One progress report as the window showed it.
struct Shown
{
    int done;
    int total;
    int barMaximum;
    int barValue;
};

} // namespace

class WindowOfficeTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_settingsPath;
    QString m_source;
    QString m_outDir;
    QList<Shown> m_shown;
    QStringList m_lines;  // the message line after each text of the job

    std::unique_ptr<MainWindow> makeWindow()
    {
        QFile::remove(m_settingsPath);
        auto window = std::make_unique<MainWindow>(QFile::encodeName(m_settingsPath));
        window->findChild<QLineEdit *>(QStringLiteral("lEdt_DataSplitFilePath"))->setText(m_source);
        window->findChild<QLineEdit *>(QStringLiteral("lEdt_SavePath"))->setText(m_outDir);
        return window;
    }

    // Starts the ClassifyShow job and records every progress report once
    // the window has shown it.
    void startJob(MainWindow &window)
    {
        m_shown.clear();
        window.findChild<QPushButton *>(QStringLiteral("pBtn_ClassifyShow"))->click();
        QVERIFY(window.jobRunning());
        QProgressBar *bar = window.resultBar()->progressBar();
        // Connected after the window's own connection, so the bar has
        // already taken each report.
        connect(window.worker(), &MergeObject::JobProgress, this, [this, bar](int done, int total) {
            m_shown << Shown{done, total, bar->maximum(), bar->value()};
        });
        QLabel *line = window.findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"));
        m_lines.clear();
        connect(window.worker(), &MergeObject::ShowDisposingFile, this, [this, line] { m_lines << line->text(); });
    }

    bool inCategoryStage(int atLeast) const
    {
        for (const Shown &shown : m_shown) {
            if (shown.total == categoryCount && shown.done >= atLeast)
                return true;
        }
        return false;
    }

    QStringList outputEntries() const
    {
        return QDir(m_outDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    static int officeProfiles()
    {
        return QDir(QDir::tempPath())
            .entryList({QStringLiteral("sheetsplicer-office-%1-*").arg(QCoreApplication::applicationPid())},
                       QDir::Dirs | QDir::Hidden)
            .size();
    }

    // After a cancel: the text, no file (hidden parts included), no office.
    void verifyCancelled(MainWindow &window)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!window.jobRunning(), jobTimeoutMs);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->text(), Texts::cancelled());
        QCOMPARE(outputEntries(), QStringList());
        QCOMPARE(officeProcesses(), 0);
        QCOMPARE(officeProfiles(), 0);
        QVERIFY(window.findChild<QPushButton *>(QStringLiteral("pBtn_ClassifyShow"))->isEnabled());
        QVERIFY(window.findChild<QPushButton *>(QStringLiteral("pBtn_HyperLinks"))->isEnabled());
        QVERIFY(!window.resultBar()->cancelButton()->isEnabled());
        QVERIFY(window.resultBar()->openFolderButton()->isHidden());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_settingsPath = m_dir.filePath(QStringLiteral("Sheetsplicer.wqz"));
        QDir dir(m_dir.path());
        QVERIFY(dir.mkpath(QStringLiteral("out")));
        m_outDir = dir.filePath(QStringLiteral("out"));
        m_source = dir.filePath(QStringLiteral("regions.xlsx"));
        QStringList args{QStringLiteral("1")};
        for (int row = 0; row < 3 * categoryCount; ++row)
            args << QStringLiteral("Region %1").arg(row % categoryCount + 1);
        QVERIFY(makeWorkbook(QStringLiteral("categories"), m_source, args));

        QFont font = QApplication::font();
        font.setPixelSize(12);
        QApplication::setFont(font);
        quietOffscreenNotes();
    }

    void cleanupTestCase()
    {
        restoreMessageHandler();
    }

    void init()
    {
        JobSettings::current() = JobSettings();
        for (const QString &entry : outputEntries())
            QFile::remove(QDir(m_outDir).filePath(entry));
    }

    void progressFollowsTheJob()
    {
        auto window = makeWindow();
        // Linked and protected: every phase of the job shows.
        window->findChild<QCheckBox *>(QStringLiteral("cBox_SheetsProtect"))->click();
        window->findChild<QLineEdit *>(QStringLiteral("lEdt_SheetsProtect"))->setText(QStringLiteral("pw"));
        window->findChild<QCheckBox *>(QStringLiteral("cBox_AllowEditRange"))->click();
        window->findChild<QLineEdit *>(QStringLiteral("lEdt_AllowEditRange"))->setText(QStringLiteral("C2:F100"));
        window->findChild<QSpinBox *>(QStringLiteral("sBox_VlookupCol"))->setValue(2);
        QProgressBar *bar = window->resultBar()->progressBar();
        startJob(*window);
        // Busy while the office starts and loads the source.
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->maximum(), 0);
        QVERIFY(window->resultBar()->cancelButton()->isEnabled());

        // Pictures of the window for the documents: while linking, and the
        // success.
        const QString shots = qEnvironmentVariable("SHEETSPLICER_WINDOW_SHOTS");
        const QString linking = Texts::linkingSheet(categoryCount / 2, categoryCount + 1, QString());
        if (!shots.isEmpty()) {
            QLabel *line = window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"));
            connect(window->worker(), &MergeObject::ShowDisposingFile, this, [&] {
                if (line->text().startsWith(linking))
                    window->grab().save(QDir(shots).filePath(QStringLiteral("window-linking.png")));
            });
        }
        QTRY_VERIFY_WITH_TIMEOUT(!window->jobRunning(), jobTimeoutMs);
        if (!shots.isEmpty())
            QVERIFY(window->grab().save(QDir(shots).filePath(QStringLiteral("window-success.png"))));

        // The line names each phase: the categories, linking k of n sheets,
        // saving, what was saved, and last the success.
        QStringList phases;
        for (const QString &line : m_lines) {
            const QString phase = line.split(QRegularExpression(QString::fromUtf8("[(：]"))).first();
            if (phases.isEmpty() || phases.last() != phase)
                phases << phase;
        }
        const QStringList expected{Texts::splittingTo(QString()).chopped(1),
                                   Texts::linkingSheet(1, categoryCount + 1, QString()).section(QLatin1Char('('), 0, 0),
                                   Texts::saving(QString()).chopped(1), Texts::savedTo(QString()).chopped(1)};
        QCOMPARE(phases.mid(phases.indexOf(expected.first())), expected + QStringList{phases.last()});
        QVERIFY(phases.last().startsWith(Texts::classifyShowDone()));
        for (int k = 1; k <= categoryCount + 1; ++k)
            QVERIFY2(m_lines.filter(Texts::linkingSheet(k, categoryCount + 1, QString())).size() == 1, qPrintable(QString::number(k)));

        // k of n categories, then k of n sheets linked, then busy saving.
        QList<int> categories;
        QList<int> linked;
        for (const Shown &shown : m_shown) {
            if (shown.total == categoryCount) {
                categories << shown.done;
                QCOMPARE(shown.barMaximum, categoryCount);
                QCOMPARE(shown.barValue, shown.done);
            } else if (shown.total == categoryCount + 1) {
                linked << shown.done;
            }
        }
        QList<int> all;
        for (int k = 0; k <= categoryCount; ++k)
            all << k;
        QCOMPARE(categories, all);
        all << categoryCount + 1;
        QCOMPARE(linked, all);
        QVERIFY(!m_shown.isEmpty());
        QCOMPARE(m_shown.last().total, 0);
        QCOMPARE(m_shown.last().barMaximum, 0);

        // The message names the saved file; its folder can be opened.
        const QString result = QDir(m_outDir).filePath(QStringLiteral("regions.xlsx"));
        QVERIFY(QFile::exists(result));
        QCOMPARE(outputEntries(), QStringList{QStringLiteral("regions.xlsx")});
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->text(),
                 Texts::classifyShowDone() + QLatin1Char('\n') + QDir::toNativeSeparators(result));
        QVERIFY(window->resultBar()->openFolderButton()->isVisible());
        QCOMPARE(window->resultBar()->openFolderButton()->text(), QString::fromUtf8("打开所在文件夹"));
        QVERIFY(!window->resultBar()->cancelButton()->isEnabled());
        QCOMPARE(officeProcesses(), 0);
    }

    // Ticked, the files job takes the place of the two others: k of n files,
    // a cancel that leaves no folder, and a set whose folder can be opened.
    void filesFromTheWindow()
    {
        auto window = makeWindow();
        window->findChild<QCheckBox *>(QStringLiteral("cBox_SplitToFiles"))->setChecked(true);
        QPushButton *files = window->findChild<QPushButton *>(QStringLiteral("pBtn_SplitToFiles"));
        QVERIFY(!files->isHidden());
        QVERIFY(window->findChild<QPushButton *>(QStringLiteral("pBtn_ClassifyShow"))->isHidden());
        QVERIFY(window->findChild<QPushButton *>(QStringLiteral("pBtn_HyperLinks"))->isHidden());

        for (const bool cancel : {true, false}) {
            m_shown.clear();
            files->click();
            QVERIFY(window->jobRunning());
            QVERIFY(!files->isEnabled());
            connect(window->worker(), &MergeObject::JobProgress, this,
                    [this](int done, int total) { m_shown << Shown{done, total, 0, 0}; });
            if (cancel) {
                QTRY_VERIFY_WITH_TIMEOUT(inCategoryStage(2), jobTimeoutMs);
                window->resultBar()->cancelButton()->click();
                QTRY_VERIFY_WITH_TIMEOUT(!window->jobRunning(), jobTimeoutMs);
                QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->text(), Texts::cancelled());
                QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->styleSheet(),
                         QStringLiteral("color: rgb(255, 0, 0);"));
                QCOMPARE(outputEntries(), QStringList());
                continue;
            }
            QTRY_VERIFY_WITH_TIMEOUT(!window->jobRunning(), jobTimeoutMs);
            const QString folder = QDir(m_outDir).filePath(QStringLiteral("regions"));
            QCOMPARE(outputEntries(), QStringList{QStringLiteral("regions")});
            QCOMPARE(QDir(folder).entryList(QDir::Files).size(), categoryCount);
            QVERIFY(inCategoryStage(categoryCount));
            QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->text(),
                     Texts::filesDone(categoryCount, QDir::toNativeSeparators(folder)));
            // A success does not look like a failure.
            QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->styleSheet(),
                     QStringLiteral("color: rgb(0, 128, 0);"));
            QVERIFY(window->resultBar()->openFolderButton()->isVisible());
            QVERIFY(files->isEnabled());
            QDir(folder).removeRecursively();

            // A later refusal takes the success's bar and folder with it.
            QLineEdit *source = window->findChild<QLineEdit *>(QStringLiteral("lEdt_DataSplitFilePath"));
            source->setText(m_source + QStringLiteral(".missing.xlsx"));
            files->click();
            QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->text(),
                     MainWindow::workbookMissingText());
            QVERIFY(window->resultBar()->openFolderButton()->isHidden());
            QVERIFY(window->resultBar()->progressBar()->isHidden());
            source->setText(m_source);
        }
        QCOMPARE(officeProcesses(), 0);
    }

    // Started again, the program brings the running copy to the front and
    // ends; the running copy goes on, with its job when it runs one.
    void aSecondStartLeavesTheRunningCopy()
    {
        QTemporaryDir instanceFolder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SHEETSPLICER_INSTANCE_DIR"), instanceFolder.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const auto startCopy = [&](QProcess &copy) {
            copy.setProcessEnvironment(environment);
            copy.start(QStringLiteral(SHEETSPLICER_APP_PATH), QStringList());
            return copy.waitForStarted();
        };

        // Two copies of the program itself: the first stays.
        QProcess first;
        QVERIFY(startCopy(first));
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(instanceFolder.path()).entryList({"*.lock"}, QDir::Files).isEmpty(), 30000);
        QProcess second;
        QVERIFY(startCopy(second));
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(30000));

        // A copy in the middle of a job.
        SingleInstance running(instanceFolder.path());
        QVERIFY(running.claim());
        QSignalSpy raised(&running, &SingleInstance::raiseRequested);
        auto window = makeWindow();
        startJob(*window);
        QTRY_VERIFY_WITH_TIMEOUT(inCategoryStage(2), jobTimeoutMs);
        QProcess third;
        QVERIFY(startCopy(third));
        QVERIFY(third.waitForFinished(30000));
        QCOMPARE(third.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(raised.count() >= 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!window->jobRunning(), jobTimeoutMs);
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lb_ShowDisposing"))->text(),
                 Texts::classifyShowDone() + QLatin1Char('\n')
                     + QDir::toNativeSeparators(QDir(m_outDir).filePath(QStringLiteral("regions.xlsx"))));
        QFile::remove(QDir(m_outDir).filePath(QStringLiteral("regions.xlsx")));
    }

    void cancelWhileMakingTheSheets()
    {
        auto window = makeWindow();
        startJob(*window);
        QTRY_VERIFY_WITH_TIMEOUT(inCategoryStage(2), jobTimeoutMs);
        window->resultBar()->cancelButton()->click();
        verifyCancelled(*window);
    }

    void cancelWhileTheOfficeStarts()
    {
        auto window = makeWindow();
        startJob(*window);
        window->resultBar()->cancelButton()->click();
        verifyCancelled(*window);
        QVERIFY(!inCategoryStage(0));
    }

    void closingDuringAJobAsksFirst()
    {
        auto window = makeWindow();
        startJob(*window);
        QTRY_VERIFY_WITH_TIMEOUT(inCategoryStage(1), jobTimeoutMs);

        QString asked;
        // No: the window stays and the job goes on.
        answerNextQuestion(QMessageBox::No, &asked);
        QVERIFY(!window->close());
        QVERIFY(!asked.isEmpty());
        QVERIFY(window->isVisible());
        QVERIFY(window->jobRunning());

        // Yes: the job is cancelled before the window goes.
        asked.clear();
        answerNextQuestion(QMessageBox::Yes, &asked);
        QVERIFY(window->close());
        QVERIFY(!asked.isEmpty());
        QVERIFY(!window->isVisible());
        verifyCancelled(*window);
    }
};

QTEST_MAIN(WindowOfficeTest)
#include "window_office_test.moc"
