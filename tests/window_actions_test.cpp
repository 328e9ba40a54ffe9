// The window's helpers around a job, on the offscreen platform without an
// office: files dropped on the window, the editable-range field, the
// question before a result is replaced, and the form remembered on close.

#include "JobLogFile.h"
#include "MainWindow.h"
#include "SettingsLocation.h"

#include "SettingsFile.h"

#include "AutomationNode.h"
#include "JobSettings.h"
#include "Texts.h"

#include "app_test_files.h"
#include "window_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <atomic>
#include <memory>

using AppTestFiles::readBytes;
using AppTestFiles::writeBytes;

using namespace WindowTestSupport;

namespace {

// How often a job asked for the spreadsheet application.
std::atomic<int> applicationRequests{0};


} // namespace

class WindowActionsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_settingsPath;
    QString m_source;
    QString m_outDir;

    std::unique_ptr<MainWindow> makeWindow()
    {
        writeBytes(m_settingsPath, QByteArray());
        return std::make_unique<MainWindow>(QFile::encodeName(m_settingsPath));
    }

    // Drags `paths` over `target` and drops them there, as a file manager
    // would; true when the window took the drop.
    static bool drop(QWidget *target, const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const QPoint centre = target->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_settingsPath = m_dir.filePath(QStringLiteral("Sheetsplicer.wqz"));
        QDir dir(m_dir.path());
        QVERIFY(dir.mkpath(QStringLiteral("data")));
        QVERIFY(dir.mkpath(QStringLiteral("out")));
        m_source = dir.filePath(QStringLiteral("data/Sales.XLSM"));
        m_outDir = dir.filePath(QStringLiteral("out"));
        // A package's first bytes, all the job's check reads before the office starts.
        QVERIFY(writeBytes(m_source, QByteArray("PK\x03\x04workbook", 12)));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("data/notes.csv")), "a,b"));
        quietOffscreenNotes();
        registerBackend(QStringLiteral("Excel.Application"), [](const QString &) {
            ++applicationRequests;
            return std::shared_ptr<AutomationNode>();
        });
    }

    void cleanupTestCase()
    {
        unregisterBackend(QStringLiteral("Excel.Application"));
        restoreMessageHandler();
    }

    void init()
    {
        JobSettings::current() = JobSettings();
    }

    void droppedFilesFillTheirFields()
    {
        auto window = makeWindow();
        auto *source = widget<QLineEdit>(*window, "lEdt_DataSplitFilePath");
        auto *folder = widget<QLineEdit>(*window, "lEdt_SavePath");
        const QString csv = QDir(m_dir.path()).filePath(QStringLiteral("data/notes.csv"));

        // Neither a table that is no workbook nor a folder dropped beside the
        // output field fills anything.
        QVERIFY(!drop(window.get(), {csv}));
        QVERIFY(!drop(window.get(), {m_outDir}));
        QVERIFY(!drop(source, {m_outDir}));
        QVERIFY(source->text().isEmpty());
        QVERIFY(folder->text().isEmpty());

        // A workbook, wherever it lands, fills the source; the first of
        // several that is one counts.
        QVERIFY(drop(window.get(), {csv, m_source}));
        QCOMPARE(source->text(), m_source);
        source->clear();
        QVERIFY(drop(widget<QLineEdit>(*window, "lEdt_OpenPwd"), {m_source}));
        QCOMPARE(source->text(), m_source);
        source->clear();
        QVERIFY(drop(folder, {m_source}));
        QCOMPARE(source->text(), m_source);
        QVERIFY(folder->text().isEmpty());

        // A folder on the output field fills it.
        QVERIFY(drop(folder, {m_outDir}));
        QCOMPARE(folder->text(), m_outDir);
    }

    void rangeFieldShowsItsFormAndMarksWrongText()
    {
        auto window = makeWindow();
        auto *range = widget<QLineEdit>(*window, "lEdt_AllowEditRange");
        QCOMPARE(range->placeholderText(), QString::fromUtf8("如 D2:F200"));
        QVERIFY(!range->property("invalid").toBool());

        range->setEnabled(true);
        range->setFocus();
        QTest::keyClicks(range, QStringLiteral("D2:"));
        QVERIFY(range->property("invalid").toBool());
        QTest::keyClicks(range, QStringLiteral("F200"));
        QVERIFY(!range->property("invalid").toBool());
        // The full-width colon the job accepts is accepted here too.
        range->setText(QString::fromUtf8("d2：f200"));
        QVERIFY(!range->property("invalid").toBool());
        range->setText(QStringLiteral("F200:"));
        QVERIFY(range->property("invalid").toBool());
    }

    void wrongRangeIsRefusedBeforeTheOfficeStarts()
    {
        auto window = makeWindow();
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_outDir);
        widget<QCheckBox>(*window, "cBox_SheetsProtect")->click();
        widget<QCheckBox>(*window, "cBox_AllowEditRange")->click();
        QTest::keyClicks(widget<QLineEdit>(*window, "lEdt_AllowEditRange"), QStringLiteral("D2:"));
        const int requests = applicationRequests;

        widget<QPushButton>(*window, "pBtn_ClassifyShow")->click();
        QTRY_VERIFY(!window->jobRunning());
        QVERIFY(widget<QLabel>(*window, "lb_ShowDisposing")->text().startsWith(QString::fromUtf8("可编辑区域“D2:”无效")));
        QCOMPARE(int(applicationRequests), requests);
        QVERIFY(widget<QPushButton>(*window, "pBtn_ClassifyShow")->isEnabled());
    }

    void anExistingResultIsReplacedOnlyWhenAllowed()
    {
        auto window = makeWindow();
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_outDir);
        const QString result = QDir(m_outDir).filePath(QStringLiteral("Sales.xlsm"));
        QVERIFY(writeBytes(result, "earlier result"));
        auto *label = widget<QLabel>(*window, "lb_ShowDisposing");
        const QString shown = label->text();

        QString asked;
        // No: nothing happens.
        const int requests = applicationRequests;
        answerNextQuestion(QMessageBox::No, &asked);
        widget<QPushButton>(*window, "pBtn_HyperLinks")->click();
        QVERIFY(asked.contains(QDir::toNativeSeparators(result)));
        QVERIFY(!window->jobRunning());
        QVERIFY(!window->worker());
        QCOMPARE(label->text(), shown);
        QVERIFY(widget<QPushButton>(*window, "pBtn_HyperLinks")->isEnabled());
        QVERIFY(widget<QPushButton>(*window, "pBtn_ClassifyShow")->isEnabled());
        QTest::qWait(100);
        QCOMPARE(int(applicationRequests), requests);
        QCOMPARE(readBytes(result), QByteArray("earlier result"));

        // Yes: the job runs.
        asked.clear();
        answerNextQuestion(QMessageBox::Yes, &asked);
        widget<QPushButton>(*window, "pBtn_HyperLinks")->click();
        QVERIFY(!asked.isEmpty());
        QVERIFY(window->worker());
        QTRY_VERIFY(!window->jobRunning());
        QCOMPARE(int(applicationRequests), requests + 1);

        // Without a file of that name nobody is asked.
        QVERIFY(QFile::remove(result));
        asked.clear();
        widget<QPushButton>(*window, "pBtn_HyperLinks")->click();
        QTRY_VERIFY(!window->jobRunning());
        QVERIFY(asked.isEmpty());
        QCOMPARE(int(applicationRequests), requests + 2);

        // Each job that failed left an entry beside the settings file.
        const QString log = QString::fromUtf8(readBytes(jobLogPath(QFile::encodeName(m_settingsPath))));
        QCOMPARE(log.count(Texts::applicationMissing()), 2);
        QVERIFY(log.contains(m_source));
    }

    void dialogsStartInTheFieldsFolder()
    {
        auto window = makeWindow();
        const QString dataDir = QFileInfo(m_source).absolutePath();
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_outDir);

        QStringList opened;
        QTimer driver;
        driver.setInterval(20);
        connect(&driver, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                opened << dialog->directory().absolutePath();
                dialog->reject();
            }
        });
        driver.start();
        widget<QPushButton>(*window, "pBtn_DataSplitFilePath")->click();
        widget<QPushButton>(*window, "pBtn_SavePath")->click();
        // A field whose folder does not exist leaves the dialog where it was.
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(QStringLiteral("/no/such/folder"));
        widget<QPushButton>(*window, "pBtn_SavePath")->click();
        driver.stop();
        QCOMPARE(opened, (QStringList{dataDir, QDir(m_outDir).absolutePath(), QDir::currentPath()}));
    }

    void settingsGoToTheConfigFolderWhenTheProgramsFolderIsReadOnly()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QByteArray writable = QFile::encodeName(m_dir.path()) + '/';
        QCOMPARE(settingsFileLocation(writable), writable + "Sheetsplicer.wqz");

        // A folder the program cannot write to (one that is not there: the
        // tests may run as root, who writes everywhere else).
        const QByteArray inConfig = settingsFileLocation("/no/such/folder/");
        QCOMPARE(QFileInfo(QFile::decodeName(inConfig)).absolutePath(),
                 QDir(config.path()).filePath(QCoreApplication::applicationName()));
        QVERIFY(inConfig.endsWith("/Sheetsplicer.wqz"));
        QVERIFY(QFile::exists(QFile::decodeName(inConfig)));
        QCOMPARE(writeSetting(inConfig, "savePath", "/tmp"), 0);
        qunsetenv("XDG_CONFIG_HOME");
    }

    void closingRemembersTheForm()
    {
        auto window = makeWindow();
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_outDir);
        widget<QLineEdit>(*window, "lEdt_AllowEditRange")->setText(QString::fromUtf8(" D2：F9 "));
        window->close();

        const QByteArray saved = readBytes(m_settingsPath);
        QVERIFY2(saved.contains("dataSplitFilePath=" + QFile::encodeName(m_source)), saved.constData());
        QVERIFY(saved.contains("savePath=" + QFile::encodeName(m_outDir)));
        QVERIFY(saved.contains("AllowEditRange=D2:F9"));

        // Read back by the next window.
        auto next = makeWindowKeepingSettings(saved);
        QCOMPARE(widget<QLineEdit>(*next, "lEdt_DataSplitFilePath")->text(), m_source);
        QCOMPARE(widget<QLineEdit>(*next, "lEdt_AllowEditRange")->text(), QStringLiteral("D2:F9"));
    }

private:
    std::unique_ptr<MainWindow> makeWindowKeepingSettings(const QByteArray &text)
    {
        writeBytes(m_settingsPath, text);
        return std::make_unique<MainWindow>(QFile::encodeName(m_settingsPath));
    }
};

QTEST_MAIN(WindowActionsTest)
#include "window_actions_test.moc"
