// What the form tells and remembers, on the offscreen platform without an
// office: the open password asked twice, the question before a job that
// will not protect what the form seems to ask for, the boxes kept across a
// restart, a refusal that goes once the path is corrected, a result folder
// no program can open, the reason behind a failure, the guide, and Qt's own
// texts in Chinese.

#include "AppResources.h"
#include "FormHelp.h"
#include "MainWindow.h"
#include "PasswordFields.h"
#include "ResultBar.h"

#include "AutomationNode.h"
#include "JobLog.h"
#include "JobSettings.h"
#include "Texts.h"

#include "app_test_files.h"
#include "window_test_support.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <atomic>
#include <memory>

using AppTestFiles::writeBytes;
using namespace WindowTestSupport;

namespace {

// How often a job asked for the spreadsheet application: how many started.
std::atomic<int> applicationRequests{0};

// What the stand-in for the office says when it is asked for and fails.
Q_LOGGING_CATEGORY(standInOffice, "sheetsplicer.test")
const char refusalReason[] = "the office could not be reached: connection refused";

// Types `text` into the next input dialog once it is open and accepts it.
void answerNextInput(const QString &text, QString *asked)
{
    QTimer::singleShot(50, [text, asked] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *asked = dialog->labelText();
        QVERIFY(dialog->textEchoMode() == QLineEdit::Password);
        dialog->setTextValue(text);
        dialog->accept();
    });
}

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

class WindowFormTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_settingsPath;
    QString m_source;
    QString m_outDir;

    std::unique_ptr<MainWindow> makeWindow(bool keepSettings = false)
    {
        if (!keepSettings)
            writeBytes(m_settingsPath, QByteArray());
        return std::make_unique<MainWindow>(QFile::encodeName(m_settingsPath));
    }

    void fillPaths(MainWindow &window)
    {
        widget<QLineEdit>(window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(window, "lEdt_SavePath")->setText(m_outDir);
    }

    static QLabel *message(const MainWindow &window) { return widget<QLabel>(window, "lb_ShowDisposing"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_settingsPath = m_dir.filePath(QStringLiteral("Sheetsplicer.wqz"));
        QDir dir(m_dir.path());
        QVERIFY(dir.mkpath(QStringLiteral("data")));
        QVERIFY(dir.mkpath(QStringLiteral("out")));
        m_source = dir.filePath(QStringLiteral("data/Sales.xlsx"));
        m_outDir = dir.filePath(QStringLiteral("out"));
        // A zip package's start: the job gets as far as asking for the office.
        QVERIFY(writeBytes(m_source, QByteArray("PK\x03\x04", 4) + QByteArray(60, '\0')));
        quietOffscreenNotes();
        JobLog::install();
        registerBackend(QStringLiteral("Excel.Application"), [](const QString &) {
            ++applicationRequests;
            qCWarning(standInOffice) << refusalReason;
            return std::shared_ptr<AutomationNode>();
        });
    }

    void cleanupTestCase()
    {
        unregisterBackend(QStringLiteral("Excel.Application"));
        restoreMessageHandler();
    }

    void init() { JobSettings::current() = JobSettings(); }

    void openPasswordIsTypedTwice()
    {
        auto window = makeWindow();
        fillPaths(*window);
        widget<QCheckBox>(*window, "cBox_OpenPwd")->click();
        QTest::keyClicks(widget<QLineEdit>(*window, "lEdt_OpenPwd"), QStringLiteral("Secret1"));
        auto *classify = widget<QPushButton>(*window, "pBtn_ClassifyShow");

        // A typo the second time: no job, and the form says why.
        const int requests = applicationRequests;
        QString asked;
        answerNextInput(QStringLiteral("Secret2"), &asked);
        classify->click();
        QCOMPARE(asked, PasswordFields::againText());
        QVERIFY(!window->jobRunning());
        QCOMPARE(message(*window)->text(), PasswordFields::mismatchText());
        QVERIFY(classify->isEnabled());
        QTest::qWait(100);
        QCOMPARE(int(applicationRequests), requests);

        // The same password twice: the job runs with it.
        answerNextInput(QStringLiteral("Secret1"), &asked);
        classify->click();
        QTRY_VERIFY(!window->jobRunning());
        QCOMPARE(int(applicationRequests), requests + 1);
        QCOMPARE(JobSettings::current().openPassword, QStringLiteral("Secret1"));
    }

    void sheetPasswordWithoutRangeIsQuestioned()
    {
        auto window = makeWindow();
        fillPaths(*window);
        widget<QCheckBox>(*window, "cBox_SheetsProtect")->click();
        QTest::keyClicks(widget<QLineEdit>(*window, "lEdt_SheetsProtect"), QStringLiteral("pw"));
        auto *links = widget<QPushButton>(*window, "pBtn_HyperLinks");

        // Going back starts nothing.
        const int requests = applicationRequests;
        QString asked;
        answerNextQuestion(QMessageBox::No, &asked);
        links->click();
        QCOMPARE(asked, Texts::protectionWithoutEditRange());
        QVERIFY(!window->jobRunning());
        QVERIFY(links->isEnabled());
        QTest::qWait(100);
        QCOMPARE(int(applicationRequests), requests);

        // Going on splits.
        answerNextQuestion(QMessageBox::Yes, &asked);
        links->click();
        QTRY_VERIFY(!window->jobRunning());
        QCOMPARE(int(applicationRequests), requests + 1);

        // With an editable range, or for the files, which the password
        // protects by itself, nothing is asked.
        for (const char *box : {"cBox_AllowEditRange", "cBox_SplitToFiles"}) {
            asked.clear();
            widget<QCheckBox>(*window, box)->click();
            if (QByteArray(box) == "cBox_AllowEditRange")
                widget<QLineEdit>(*window, "lEdt_AllowEditRange")->setText(QStringLiteral("D2:F20"));
            answerNextQuestion(QMessageBox::No, &asked);
            const int before = applicationRequests;
            widget<QPushButton>(*window, QByteArray(box) == "cBox_SplitToFiles" ? "pBtn_SplitToFiles" : "pBtn_HyperLinks")
                ->click();
            QTRY_VERIFY(!window->jobRunning());
            QVERIFY2(asked.isEmpty(), box);
            QCOMPARE(int(applicationRequests), before + 1);
        }
    }

    void boxesAreRememberedButNoPassword()
    {
        {
            auto window = makeWindow();
            fillPaths(*window);
            for (const char *box : {"cBox_AppointedHeaderRow", "cBox_SheetsProtect", "cBox_AllowEditRange",
                                    "cBox_OpenPwd", "cBox_WbProtect", "cBox_SplitToFiles"})
                widget<QCheckBox>(*window, box)->click();
            widget<QLineEdit>(*window, "lEdt_OpenPwd")->setText(QStringLiteral("open"));
            widget<QLineEdit>(*window, "lEdt_SheetsProtect")->setText(QStringLiteral("sheet"));
            QVERIFY(window->close());
        }
        auto window = makeWindow(true);
        for (const char *box : {"cBox_AppointedHeaderRow", "cBox_SheetsProtect", "cBox_AllowEditRange",
                                "cBox_SplitToFiles"})
            QVERIFY2(widget<QCheckBox>(*window, box)->isChecked(), box);
        // The fields they open are open again; the files leave the range out
        // until their box is unticked.
        QVERIFY(widget<QWidget>(*window, "lEdt_SheetsProtect")->isEnabled());
        QVERIFY(widget<QWidget>(*window, "sBox_AppointedHeaderRow")->isEnabled());
        QVERIFY(widget<QWidget>(*window, "pBtn_SplitToFiles")->isVisibleTo(window.get()));
        QVERIFY(!widget<QWidget>(*window, "pBtn_ClassifyShow")->isVisibleTo(window.get()));
        QVERIFY(!widget<QWidget>(*window, "lEdt_AllowEditRange")->isEnabled());
        widget<QCheckBox>(*window, "cBox_SplitToFiles")->click();
        QVERIFY(widget<QWidget>(*window, "lEdt_AllowEditRange")->isEnabled());
        QVERIFY(widget<QWidget>(*window, "sBox_VlookupCol")->isEnabled());
        // No password, and no box that would stand for one.
        QVERIFY(!widget<QCheckBox>(*window, "cBox_OpenPwd")->isChecked());
        QVERIFY(!widget<QCheckBox>(*window, "cBox_WbProtect")->isChecked());
        QVERIFY(widget<QLineEdit>(*window, "lEdt_OpenPwd")->text().isEmpty());
        QVERIFY(widget<QLineEdit>(*window, "lEdt_SheetsProtect")->text().isEmpty());
        QVERIFY(!AppTestFiles::readBytes(m_settingsPath).contains("sheet\r\n"));
    }

    void aTextFileIsNoWorkbook()
    {
        // Said as it is, before any office is asked for.
        const QString renamed = QDir(m_dir.path()).filePath(QStringLiteral("data/list.xlsx"));
        QVERIFY(writeBytes(renamed, "Region,Key\nEast,K1\n"));
        auto window = makeWindow();
        fillPaths(*window);
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(renamed);
        const int requests = applicationRequests;
        widget<QPushButton>(*window, "pBtn_ClassifyShow")->click();
        QTRY_VERIFY(!window->jobRunning());
        QCOMPARE(message(*window)->text(), Texts::sourceNotWorkbook(QStringLiteral("list.xlsx"), false));
        QCOMPARE(int(applicationRequests), requests);
    }

    void correctedPathTakesTheRefusalAway()
    {
        auto window = makeWindow();
        fillPaths(*window);
        auto *source = widget<QLineEdit>(*window, "lEdt_DataSplitFilePath");
        source->setText(m_source + QStringLiteral(".missing"));
        widget<QPushButton>(*window, "pBtn_ClassifyShow")->click();
        QCOMPARE(message(*window)->text(), MainWindow::workbookMissingText());
        source->setText(m_source);
        QCOMPARE(message(*window)->text(), MainWindow::startNotice());
    }

    void folderNoProgramOpensIsNamed()
    {
        auto window = makeWindow();
        window->resultBar()->jobEnded(m_outDir);
        // No program on the search path opens anything.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
        window->resultBar()->openFolderButton()->click();
        qputenv("PATH", path);
        QCOMPARE(message(*window)->text(), MainWindow::folderNotOpenedText(m_outDir));
        QVERIFY(message(*window)->text().endsWith(QDir::toNativeSeparators(m_outDir)));
    }

    void failureShowsItsReason()
    {
        auto window = makeWindow();
        fillPaths(*window);
        QPushButton *details = window->resultBar()->detailsButton();
        widget<QPushButton>(*window, "pBtn_ClassifyShow")->click();
        QTRY_VERIFY(!window->jobRunning());
        QCOMPARE(message(*window)->text(), Texts::applicationMissing());
        QVERIFY(details->isVisible());

        QString shown;
        QString reasons;
        QTimer::singleShot(50, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                reasons = box->detailedText();
                box->close();
            }
        });
        details->click();
        QCOMPARE(shown, Texts::applicationMissing());
        QVERIFY2(reasons.contains(QLatin1String(refusalReason)), qPrintable(reasons));

        // The next check of the form takes it away.
        window->collectJobSettings();
        QVERIFY(!details->isVisible());
    }

    void guideAndQtTextsAreChinese()
    {
        auto window = makeWindow();
        widget<QPushButton>(*window, "pBtn_Guide")->click();
        auto *guide = window->findChild<QDialog *>(QStringLiteral("dlg_Guide"));
        QVERIFY(guide && guide->isVisible());
        const QString text = guide->findChild<QTextBrowser *>()->toPlainText();
        // The guide says what turns the lookups on, and what each job does.
        for (const char *part : {"填写了可编辑区域,才会写入自动更新公式", "生成汇总分类表", "生成分类汇总表", "匹配列号"})
            QVERIFY2(text.contains(u(part)), part);
        QVERIFY(!widget<QLineEdit>(*window, "lEdt_AllowEditRange")->toolTip().isEmpty());
        // The form itself says what turns the lookups on.
        QVERIFY(widget<QLabel>(*window, "lb_RangeHint")->isVisible());
        QCOMPARE(widget<QLabel>(*window, "lb_RangeHint")->text(), FormHelp::rangeHintText());

        installQtTranslations(qApp);
        QVERIFY(QCoreApplication::translate("QPlatformTheme", "&Yes") != QLatin1String("&Yes"));
        QVERIFY(QCoreApplication::translate("QPlatformTheme", "Cancel") != QLatin1String("Cancel"));
    }
};

QTEST_MAIN(WindowFormTest)
#include "window_form_test.moc"
