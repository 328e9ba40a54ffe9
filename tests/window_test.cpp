// The main window on the offscreen platform: the form and
// its settings, the enabling rules, collectJobSettings with its refusals
// (the refusal to overwrite the source included), the dispatch onto worker threads and the tray.

#include "MainWindow.h"
#include "SystemTray.h"

#include "AutomationNode.h"
#include "JobSettings.h"
#include "MergeObject.h"
#include "ResultMark.h"
#include "Texts.h"

#include "app_test_files.h"
#include "window_test_support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

#include <QtGui/private/qzipwriter_p.h>

using AppTestFiles::readBytes;
using AppTestFiles::writeBytes;

namespace {

// What the job's start reports when no spreadsheet application answers:
// the last text of such a job.
const char noApplicationText[] =
    "本功能需要电脑中装有微软office或金山wps专业版(注意是专业版,不是个人版)!";

// The fake "Excel.Application": binds nothing, so every job ends at once
// with the availability message. It records where and how often it was asked.
struct FakeBackend
{
    QMutex mutex;
    int calls = 0;
    QThread *lastThread = nullptr;

    int callCount()
    {
        QMutexLocker lock(&mutex);
        return calls;
    }
    QThread *thread()
    {
        QMutexLocker lock(&mutex);
        return lastThread;
    }
};

FakeBackend &fakeBackend()
{
    static FakeBackend backend;
    return backend;
}

// The offscreen platform has no tray and no window manager; it says so for
// every window. Those two notes are left out of the test log.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == QLatin1String("This plugin does not support propagateSizeHints()")
        || message == QLatin1String("This plugin does not support raise()")
        || message.startsWith(QLatin1String("QObject::connect: No such signal QPlatformNativeInterface::systemTrayWindowChanged")))
        return;
    previousHandler(type, context, message);
}

// The window with access to its signal receivers, to see which worker a
// request reaches.
class ProbeWindow : public MainWindow
{
public:
    using MainWindow::MainWindow;
    int receiversOf(const char *signal) const { return receivers(signal); }
};

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_settingsPath;
    QString m_source;      // an existing workbook
    QString m_sourceDir;   // its folder
    QString m_outDir;      // an existing output folder

    std::unique_ptr<ProbeWindow> makeWindow(const QByteArray &settingsText = QByteArray(),
                                            bool withFile = true)
    {
        QFile::remove(m_settingsPath);
        if (withFile)
            writeBytes(m_settingsPath, settingsText);
        return std::make_unique<ProbeWindow>(QFile::encodeName(m_settingsPath));
    }

    template<typename T>
    static T *widget(const MainWindow &window, const char *name)
    {
        return WindowTestSupport::widget<T>(window, name);
    }
    static QLabel *label(const MainWindow &w) { return widget<QLabel>(w, "lb_ShowDisposing"); }
    static QPushButton *hyperLinks(const MainWindow &w) { return widget<QPushButton>(w, "pBtn_HyperLinks"); }
    static QPushButton *classifyShow(const MainWindow &w) { return widget<QPushButton>(w, "pBtn_ClassifyShow"); }

    void fillValidForm(MainWindow &window)
    {
        widget<QLineEdit>(window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(window, "lEdt_SavePath")->setText(m_outDir);
    }

    QByteArray settingsBytes() const { return readBytes(m_settingsPath); }

    // Types a path into the file name field of Qt's own file dialog, as a
    // user would (selectFile() leaves the field alone while it has focus).
    static void typeIntoDialog(QFileDialog *dialog, const QString &path)
    {
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_settingsPath = m_dir.filePath(QStringLiteral("Sheetsplicer.wqz"));
        QDir dir(m_dir.path());
        QVERIFY(dir.mkpath(QStringLiteral("data/upper")));
        QVERIFY(dir.mkpath(QStringLiteral("out")));
        m_sourceDir = dir.filePath(QStringLiteral("data"));
        m_source = dir.filePath(QStringLiteral("data/report.final.xlsx"));
        m_outDir = dir.filePath(QStringLiteral("out"));
        // A package's first bytes, all the job's check reads before the office starts.
        const QByteArray workbook("PK\x03\x04workbook", 12);
        QVERIFY(writeBytes(m_source, workbook));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("data/upper/DATA.XLSX")), workbook));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("data/table.csv")), "a,b"));
        QVERIFY(QFile::link(m_sourceDir, dir.filePath(QStringLiteral("datalink"))));

        // The form was laid out for the font it was designed with: 9 pt at
        // 96 dpi, 12 pixels. At that size it fits the 940 x 400 window; the
        // offscreen platform's own default is larger.
        QFont font = QApplication::font();
        font.setPixelSize(12);
        QApplication::setFont(font);

        previousHandler = qInstallMessageHandler(quietHandler);

        registerBackend(QStringLiteral("Excel.Application"), [](const QString &) {
            FakeBackend &backend = fakeBackend();
            QMutexLocker lock(&backend.mutex);
            ++backend.calls;
            backend.lastThread = QThread::currentThread();
            return std::shared_ptr<AutomationNode>();
        });
    }

    void cleanupTestCase()
    {
        unregisterBackend(QStringLiteral("Excel.Application"));
        qInstallMessageHandler(previousHandler);
    }

    void init()
    {
        JobSettings::current() = JobSettings();
    }

    // --- construction --------------------------------------------------------

    void constructionState()
    {
        auto window = makeWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Sheetsplicer2.0"));
        QVERIFY(window->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QApplication::processEvents(); // the layout has had its say
        QCOMPARE(window->size(), QSize(940, 400));
        QVERIFY(window->minimumSizeHint().width() <= 940);
        QVERIFY(window->minimumSizeHint().height() <= 400);
        QCOMPARE(window->restoreWidth(), 940);
        QCOMPARE(window->restoreHeight(), 400);

        // Placed from the primary screen and the designed size 940 x 510.
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(window->pos(), QPoint((screen.width() - 940) / 2, (screen.height() - 510) / 3));

        QVERIFY(QFile::exists(QStringLiteral(":/images/wqz.ico")));
        QVERIFY(!QIcon(QStringLiteral(":/images/wqz.ico")).pixmap(32, 32).isNull());
        QVERIFY(!window->windowIcon().isNull());

        QVERIFY(window->workerThread() == nullptr);
        QVERIFY(window->worker() == nullptr);
        QVERIFY(!window->jobRunning());
        QVERIFY(hyperLinks(*window)->isEnabled());
        QVERIFY(classifyShow(*window)->isEnabled());

        // The start-up notice: the supported applications, and what does the
        // work on Linux.
        const QString notice = label(*window)->text();
        QCOMPARE(notice, MainWindow::startNotice());
        QVERIFY(notice.contains(QString::fromUtf8("支持微软Office2010及以上版本、金山WPS专业版")));
        QVERIFY(notice.contains(QStringLiteral("LibreOffice Calc")));
        QVERIFY(!notice.contains(QLatin1Char('\n')));

        // The tray icon.
        SystemTray *tray = window->tray();
        QVERIFY(tray);
        QCOMPARE(tray->parent(), static_cast<QObject *>(window.get()));
        QVERIFY(tray->isVisible());
        QCOMPARE(tray->toolTip(), QStringLiteral("Sheetsplicer"));
        QVERIFY(!tray->icon().isNull());
    }

    void largerFontsGrowTheWindow()
    {
        // With a larger desktop font the window grows to show its whole form
        // instead of squeezing it; the size it comes back to stays 940 x 400.
        const QFont before = QApplication::font();
        QFont large = before;
        large.setPixelSize(32);
        QApplication::setFont(large);
        auto window = makeWindow();
        QApplication::processEvents();
        const QSize needed = window->minimumSizeHint();
        QApplication::setFont(before);
        QVERIFY(needed.width() > 940);
        QCOMPARE(window->size(), QSize(940, 400).expandedTo(needed));
        QCOMPARE(window->restoreWidth(), 940);
        QCOMPARE(window->restoreHeight(), 400);
    }

    void formFitsTheWindow()
    {
        // At the window's own size every control of the five steps is whole:
        // inside the window, not squeezed below what it needs, and clear of
        // its neighbours in the same step; the steps come in their order.
        auto window = makeWindow();
        const QRect inside = window->rect();
        int lastTop = -1;
        for (const char *step : {"groupBox_5", "groupBox_3", "groupBox_2", "groupBox_4"}) {
            auto *box = widget<QGroupBox>(*window, step);
            const int top = box->mapTo(window.get(), QPoint(0, 0)).y();
            QVERIFY2(top > lastTop, step);
            lastTop = top;
        }
        for (const char *step : {"groupBox_5", "groupBox_3", "groupBox", "groupBox_2", "groupBox_4"}) {
            auto *box = widget<QGroupBox>(*window, step);
            QList<QRect> taken;
            for (QWidget *control : box->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                if (!control->isVisibleTo(window.get()))
                    continue;
                const QRect place(control->mapTo(window.get(), QPoint(0, 0)), control->size());
                const QByteArray name = control->objectName().toLatin1();
                QVERIFY2(inside.contains(place), name);
                QVERIFY2(control->width() >= control->minimumSizeHint().width(), name);
                for (const QRect &other : taken)
                    QVERIFY2(!other.intersects(place), name);
                taken << place;
            }
            QVERIFY2(taken.size() >= 3, step);
        }
    }

    void formWidgets()
    {
        auto window = makeWindow();
        const auto u = [](const char *text) { return QString::fromUtf8(text); };

        const QList<QPair<const char *, QString>> titles = {
            {"groupBox_5", u("第一步、选择工作簿、选择转换后所在文件夹(使用前请先看使用说明)")},
            {"groupBox_3", u("第二步、汇总表设置")},
            {"groupBox", u("第三步、工作簿打开密码设置(打开需密码)、工作簿结构保护(禁止添加或删除表)")},
            {"groupBox_2", u("第四步、工作表保护与可编辑区域设置")},
            {"groupBox_4", u("第五步、生成")},
        };
        for (const auto &t : titles)
            QCOMPARE(widget<QGroupBox>(*window, t.first)->title(), t.second);

        const QList<QPair<const char *, QString>> labels = {
            {"label_4", QString()}, {"label_9", u("1、")}, {"label_2", u("进行分类的列号：")},
            {"label_3", u("   2、")}, {"label_8", u("1、")}, {"label_10", u("  2、")},
            {"label_5", u("1、")}, {"label_6", u("  2、")}, {"label_7", u("  3、")}, {"label", u("匹配列号")},
        };
        for (const auto &l : labels)
            QCOMPARE(widget<QLabel>(*window, l.first)->text(), l.second);

        const QList<QPair<const char *, QString>> buttons = {
            {"pBtn_DataSplitFilePath", u("   选择Excel工作簿   ")},
            {"pBtn_SavePath", u("选择转换后保存路径")},
            {"pBtn_HyperLinks", u("分类汇总表(填写分类表,自动更新汇总表)")},
            {"pBtn_ClassifyShow", u("汇总分类表(填写汇总表,自动更新分类表)")},
        };
        for (const auto &b : buttons) {
            QCOMPARE(widget<QPushButton>(*window, b.first)->text(), b.second);
            QVERIFY(widget<QPushButton>(*window, b.first)->isEnabled());
        }

        struct Check { const char *name; const char *text; bool enabled; };
        const Check checks[] = {
            {"cBox_AppointedHeaderRow", "指定该行及以上为表头：", true},
            {"cBox_OpenPwd", "工作簿打开密码", true},
            {"cBox_WbProtect", "工作簿结构保护密码", true},
            {"cBox_SheetsProtect", "工作表保护密码", true},
            {"cBox_AllowEditRange", "允许用户编辑区域(汇总区域)", false},
        };
        for (const Check &c : checks) {
            auto *box = widget<QCheckBox>(*window, c.name);
            QCOMPARE(box->text(), u(c.text));
            QVERIFY(!box->isChecked());
            QCOMPARE(box->isEnabled(), c.enabled);
        }
        QCOMPARE(widget<QCheckBox>(*window, "cBox_AppointedHeaderRow")->toolTip(), u("表头必须有,默认第1行"));

        struct Spin { const char *name; int min; int max; bool enabled; };
        const Spin spins[] = {
            {"sBox_Column", 1, 256, true},
            {"sBox_AppointedHeaderRow", 1, 99, false},
            {"sBox_VlookupCol", 1, 256, false},
        };
        for (const Spin &s : spins) {
            auto *spin = widget<QSpinBox>(*window, s.name);
            QCOMPARE(spin->minimum(), s.min);
            QCOMPARE(spin->maximum(), s.max);
            QCOMPARE(spin->value(), 1);
            QCOMPARE(spin->isEnabled(), s.enabled);
        }

        struct Edit { const char *name; bool enabled; bool password; };
        const Edit edits[] = {
            {"lEdt_DataSplitFilePath", true, false}, {"lEdt_SavePath", true, false},
            {"lEdt_OpenPwd", false, true}, {"lEdt_WbProtect", false, true},
            {"lEdt_SheetsProtect", false, true}, {"lEdt_AllowEditRange", false, false},
        };
        for (const Edit &e : edits) {
            auto *edit = widget<QLineEdit>(*window, e.name);
            QVERIFY(edit->text().isEmpty());
            QCOMPARE(edit->isEnabled(), e.enabled);
            QVERIFY(!edit->isReadOnly());
            // Passwords are masked until their eye is pressed; no
            // validators, no length limits.
            QCOMPARE(edit->echoMode(), e.password ? QLineEdit::Password : QLineEdit::Normal);
            if (e.password) {
                auto *eye = edit->findChild<QAction *>(QStringLiteral("act_ShowPwd"));
                QVERIFY(eye);
                eye->trigger();
                QCOMPARE(edit->echoMode(), QLineEdit::Normal);
                eye->trigger();
                QCOMPARE(edit->echoMode(), QLineEdit::Password);
                // Room for a password beside its eye.
                QVERIFY2(edit->width() >= 70, qPrintable(QString::number(edit->width())));
            }
            QVERIFY(edit->validator() == nullptr);
            QCOMPARE(edit->maxLength(), 32767);
        }
        // The editable range field is the narrow one.
        QVERIFY(widget<QLineEdit>(*window, "lEdt_AllowEditRange")->maximumWidth() < 200);

        QLabel *progress = label(*window);
        QCOMPARE(progress->styleSheet(), QStringLiteral("color: rgb(255, 0, 0);"));
        QCOMPARE(progress->textFormat(), Qt::AutoText);
    }

    void formFilledFromSettings()
    {
        auto window = makeWindow("dataSplitFilePath=/data/a b.xlsx\r\n"
                                 "savePath= /out/result \r\n"
                                 "column=12\r\n"
                                 "AppointedHeaderRow=y \t\r\n"
                                 "NumOfAppointedHeaderR=3\r\n"
                                 "AllowEditRange=A1:C20\r\n"
                                 "VlookupCol=4\r\n");
        QCOMPARE(widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->text(), QStringLiteral("/data/a b.xlsx"));
        QCOMPARE(widget<QLineEdit>(*window, "lEdt_SavePath")->text(), QStringLiteral("/out/result"));
        QCOMPARE(widget<QSpinBox>(*window, "sBox_Column")->value(), 12);
        QVERIFY(widget<QCheckBox>(*window, "cBox_AppointedHeaderRow")->isChecked());
        QVERIFY(widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->isEnabled());
        QCOMPARE(widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->value(), 3);
        QCOMPARE(widget<QLineEdit>(*window, "lEdt_AllowEditRange")->text(), QStringLiteral("A1:C20"));
        QVERIFY(!widget<QLineEdit>(*window, "lEdt_AllowEditRange")->isEnabled());
        QCOMPARE(widget<QSpinBox>(*window, "sBox_VlookupCol")->value(), 4);
        QVERIFY(!widget<QSpinBox>(*window, "sBox_VlookupCol")->isEnabled());
        // Passwords and the other boxes are never stored.
        QVERIFY(!widget<QCheckBox>(*window, "cBox_OpenPwd")->isChecked());
        QVERIFY(widget<QLineEdit>(*window, "lEdt_OpenPwd")->text().isEmpty());
        // Reading changes nothing in the file.
        QVERIFY(settingsBytes().startsWith("dataSplitFilePath=/data/a b.xlsx\r\n"));
    }

    void numbersFromSettings_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("headerRows");
        QTest::newRow("300") << QByteArray("300") << 256 << 99;
        QTest::newRow("256") << QByteArray("256") << 256 << 99;
        QTest::newRow("99") << QByteArray("99") << 99 << 99;
        QTest::newRow("7") << QByteArray("7") << 7 << 7;
        QTest::newRow("12abc") << QByteArray("12abc") << 12 << 12;
        QTest::newRow("non-numeric") << QByteArray("abc") << 1 << 1;
        QTest::newRow("empty") << QByteArray("") << 1 << 1;
        QTest::newRow("zero") << QByteArray("0") << 1 << 1;
        QTest::newRow("negative") << QByteArray("-5") << 1 << 1;
        QTest::newRow("huge") << QByteArray("99999999999999") << 256 << 99;
    }

    void numbersFromSettings()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, column);
        QFETCH(int, headerRows);
        auto window = makeWindow("column=" + value + "\r\nNumOfAppointedHeaderR=" + value
                                 + "\r\nVlookupCol=" + value + "\r\n");
        QCOMPARE(widget<QSpinBox>(*window, "sBox_Column")->value(), column);
        QCOMPARE(widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->value(), headerRows);
        QCOMPARE(widget<QSpinBox>(*window, "sBox_VlookupCol")->value(), column);
    }

    void headerBoxFromSettings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("checked");
        QTest::newRow("y") << QByteArray("AppointedHeaderRow=y\r\n") << true;
        QTest::newRow("y with blanks") << QByteArray("AppointedHeaderRow=  y \t \r\n") << true;
        QTest::newRow("Y") << QByteArray("AppointedHeaderRow=Y\r\n") << false;
        QTest::newRow("yes") << QByteArray("AppointedHeaderRow=yes\r\n") << false;
        QTest::newRow("n") << QByteArray("AppointedHeaderRow=n\r\n") << false;
        QTest::newRow("no CR LF") << QByteArray("AppointedHeaderRow=y") << false;
        QTest::newRow("LF only") << QByteArray("AppointedHeaderRow=y\n") << false;
        QTest::newRow("missing") << QByteArray("column=3\r\n") << false;
    }

    void headerBoxFromSettings()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, checked);
        auto window = makeWindow(text);
        QCOMPARE(widget<QCheckBox>(*window, "cBox_AppointedHeaderRow")->isChecked(), checked);
        QCOMPARE(widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->isEnabled(), checked);
    }

    void missingOrUnusableSettingsGiveDefaults()
    {
        const QList<QPair<QByteArray, bool>> cases = {
            {QByteArray(), false},                                             // no file at all
            {QByteArray(), true},                                              // an empty file
            {QByteArray("dataSplitFilePath=/a.xlsx\ncolumn=5\nVlookupCol=3\n"), true}, // LF only
        };
        for (const auto &c : cases) {
            auto window = makeWindow(c.first, c.second);
            QVERIFY(widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->text().isEmpty());
            QVERIFY(widget<QLineEdit>(*window, "lEdt_SavePath")->text().isEmpty());
            QCOMPARE(widget<QSpinBox>(*window, "sBox_Column")->value(), 1);
            QCOMPARE(widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->value(), 1);
            QCOMPARE(widget<QSpinBox>(*window, "sBox_VlookupCol")->value(), 1);
            QVERIFY(!widget<QCheckBox>(*window, "cBox_AppointedHeaderRow")->isChecked());
            // The program never creates the file.
            QCOMPARE(QFile::exists(m_settingsPath), c.second);
        }
    }

    void settingsAreLocal8Bit()
    {
        if (QTextCodec::codecForLocale()->mibEnum() != 106)
            QSKIP("the local 8-bit encoding is not UTF-8 here");
        const QString path = QString::fromUtf8("/数据/汇总表.xlsx");
        auto window = makeWindow("dataSplitFilePath=" + path.toLocal8Bit() + "\r\n");
        QCOMPARE(widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->text(), path);
    }

    // --- enabling rules --------------------------------------------------------

    void checkBoxesEnableTheirFields()
    {
        auto window = makeWindow();
        struct Rule { const char *box; QStringList dependants; };
        const Rule rules[] = {
            {"cBox_AppointedHeaderRow", {"sBox_AppointedHeaderRow"}},
            {"cBox_OpenPwd", {"lEdt_OpenPwd"}},
            {"cBox_WbProtect", {"lEdt_WbProtect"}},
            {"cBox_SheetsProtect", {"lEdt_SheetsProtect", "cBox_AllowEditRange"}},
        };
        for (const Rule &rule : rules) {
            auto *box = widget<QCheckBox>(*window, rule.box);
            for (bool expected : {true, false, true}) {
                box->click();
                QCOMPARE(box->isChecked(), expected);
                for (const QString &name : rule.dependants)
                    QVERIFY2(window->findChild<QWidget *>(name)->isEnabled() == expected, rule.box);
            }
        }
        // cBox_AllowEditRange, once enabled.
        auto *allow = widget<QCheckBox>(*window, "cBox_AllowEditRange");
        QVERIFY(allow->isEnabled());
        for (bool expected : {true, false, true}) {
            allow->click();
            QCOMPARE(widget<QLineEdit>(*window, "lEdt_AllowEditRange")->isEnabled(), expected);
            QCOMPARE(widget<QSpinBox>(*window, "sBox_VlookupCol")->isEnabled(), expected);
        }
    }

    void onlyClicksEnable()
    {
        // The slots follow clicks, not programmatic changes.
        auto window = makeWindow();
        widget<QCheckBox>(*window, "cBox_OpenPwd")->setChecked(true);
        QVERIFY(!widget<QLineEdit>(*window, "lEdt_OpenPwd")->isEnabled());
        widget<QCheckBox>(*window, "cBox_OpenPwd")->click();
        QVERIFY(!widget<QLineEdit>(*window, "lEdt_OpenPwd")->isEnabled());
    }

    void sheetsProtectLeavesTheRangeBoxAsItIs()
    {
        auto window = makeWindow();
        widget<QCheckBox>(*window, "cBox_SheetsProtect")->click();
        widget<QCheckBox>(*window, "cBox_AllowEditRange")->click();
        QVERIFY(widget<QLineEdit>(*window, "lEdt_AllowEditRange")->isEnabled());
        widget<QCheckBox>(*window, "cBox_SheetsProtect")->click();

        auto *allow = widget<QCheckBox>(*window, "cBox_AllowEditRange");
        QVERIFY(!allow->isEnabled());
        QVERIFY(allow->isChecked());
        QVERIFY(!widget<QLineEdit>(*window, "lEdt_SheetsProtect")->isEnabled());
        QVERIFY(widget<QLineEdit>(*window, "lEdt_AllowEditRange")->isEnabled());
        QVERIFY(widget<QSpinBox>(*window, "sBox_VlookupCol")->isEnabled());

        fillValidForm(*window);
        QCOMPARE(window->collectJobSettings(), 0);
        QVERIFY(JobSettings::current().allowEditRangeEnabled);
    }

    // --- collectJobSettings ----------------------------------------------------

    void collectFillsTheRecordAndTheFile()
    {
        auto window = makeWindow();
        JobSettings::current().categoryNames = QStringList{QStringLiteral("old")};
        fillValidForm(*window);
        widget<QSpinBox>(*window, "sBox_Column")->setValue(5);
        widget<QCheckBox>(*window, "cBox_AppointedHeaderRow")->click();
        widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->setValue(2);
        widget<QCheckBox>(*window, "cBox_OpenPwd")->click();
        widget<QLineEdit>(*window, "lEdt_OpenPwd")->setText(QStringLiteral(" open "));
        widget<QCheckBox>(*window, "cBox_WbProtect")->click();
        widget<QLineEdit>(*window, "lEdt_WbProtect")->setText(QStringLiteral("struct"));
        widget<QCheckBox>(*window, "cBox_SheetsProtect")->click();
        widget<QLineEdit>(*window, "lEdt_SheetsProtect")->setText(QStringLiteral("sheet"));
        widget<QCheckBox>(*window, "cBox_AllowEditRange")->click();
        widget<QLineEdit>(*window, "lEdt_AllowEditRange")->setText(QString::fromUtf8("  A1：C20 \t"));
        widget<QSpinBox>(*window, "sBox_VlookupCol")->setValue(3);

        QCOMPARE(window->collectJobSettings(), 0);

        const JobSettings &job = JobSettings::current();
        QVERIFY(job.categoryNames.isEmpty());
        QVERIFY(job.headerRowsEnabled);
        QCOMPARE(job.headerRows, 2);
        QVERIFY(job.openPasswordEnabled);
        QCOMPARE(job.openPassword, QStringLiteral(" open "));
        QCOMPARE(job.sheetPassword, QStringLiteral("sheet"));
        QVERIFY(job.allowEditRangeEnabled);
        QCOMPARE(job.allowEditRange, QStringLiteral("A1:C20"));
        QCOMPARE(job.classifyColumn, 5);
        QCOMPARE(job.lookupColumn, 3);
        QVERIFY(job.structurePasswordEnabled);
        QCOMPARE(job.structurePassword, QStringLiteral("struct"));
        QCOMPARE(job.sourceWorkbookPath, m_source);
        QCOMPARE(job.savePath, m_outDir + QStringLiteral("/"));

        QVERIFY(label(*window)->text().isEmpty());
        QVERIFY(!hyperLinks(*window)->isEnabled());
        QVERIFY(!classifyShow(*window)->isEnabled());

        // The six keys and the ticked boxes, in their order, the range trimmed and its colon
        // replaced, the save path without the added "/".
        QCOMPARE(settingsBytes(), "dataSplitFilePath=" + QFile::encodeName(m_source) + "\r\n"
                                  "savePath=" + QFile::encodeName(m_outDir) + "\r\n"
                                  "column=5\r\n"
                                  "NumOfAppointedHeaderR=2\r\n"
                                  "AllowEditRange=A1:C20\r\n"
                                  "VlookupCol=3\r\n"
                                  "AppointedHeaderRow=y\r\n"
                                  "SheetsProtect=y\r\n"
                                  "AllowEditRangeOn=y\r\n"
                                  "SplitToFiles=n\r\n");
    }

    void collectKeepsUnknownKeys()
    {
        auto window = makeWindow("AppointedHeaderRow=y\r\nother=1\r\ncolumn=9\r\n");
        fillValidForm(*window);
        widget<QSpinBox>(*window, "sBox_Column")->setValue(4);
        QCOMPARE(window->collectJobSettings(), 0);
        const QByteArray bytes = settingsBytes();
        QVERIFY(bytes.startsWith("AppointedHeaderRow=y\r\nother=1\r\ncolumn=4\r\ndataSplitFilePath="));
    }

    void withoutASettingsFileNothingIsWritten()
    {
        auto window = makeWindow(QByteArray(), false);
        fillValidForm(*window);
        QCOMPARE(window->collectJobSettings(), 0);
        QVERIFY(!QFile::exists(m_settingsPath));
    }

    void collectValuesOfDisabledFields()
    {
        // Passwords and the match column are taken also while their boxes are
        // off; the header rows only while the header box is checked.
        auto window = makeWindow();
        fillValidForm(*window);
        widget<QLineEdit>(*window, "lEdt_OpenPwd")->setText(QStringLiteral("p1"));
        widget<QLineEdit>(*window, "lEdt_WbProtect")->setText(QStringLiteral("p2"));
        widget<QLineEdit>(*window, "lEdt_SheetsProtect")->setText(QStringLiteral("p3"));
        widget<QSpinBox>(*window, "sBox_VlookupCol")->setValue(9);
        widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->setValue(6);
        QCOMPARE(window->collectJobSettings(), 0);
        const JobSettings &job = JobSettings::current();
        QVERIFY(!job.openPasswordEnabled);
        QVERIFY(!job.structurePasswordEnabled);
        QVERIFY(!job.allowEditRangeEnabled);
        QVERIFY(!job.headerRowsEnabled);
        QCOMPARE(job.openPassword, QStringLiteral("p1"));
        QCOMPARE(job.structurePassword, QStringLiteral("p2"));
        QCOMPARE(job.sheetPassword, QStringLiteral("p3"));
        QCOMPARE(job.lookupColumn, 9);
        QCOMPARE(job.headerRows, 1);
        QVERIFY(settingsBytes().contains("NumOfAppointedHeaderR=1\r\n"));
    }

    void headerRowsKeepTheLastCheckedValue()
    {
        auto window = makeWindow();
        fillValidForm(*window);
        auto *box = widget<QCheckBox>(*window, "cBox_AppointedHeaderRow");
        auto *spin = widget<QSpinBox>(*window, "sBox_AppointedHeaderRow");
        box->click();
        spin->setValue(5);
        QCOMPARE(window->collectJobSettings(), 0);
        QCOMPARE(JobSettings::current().headerRows, 5);
        window->on_Signal_SetButtonEnable();

        box->click();
        spin->setValue(7);
        QCOMPARE(window->collectJobSettings(), 0);
        QVERIFY(!JobSettings::current().headerRowsEnabled);
        QCOMPARE(JobSettings::current().headerRows, 5);
        QVERIFY(settingsBytes().contains("NumOfAppointedHeaderR=5\r\n"));
    }

    void savePathGetsOneMoreSlash_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("stored");
        QTest::newRow("no slash") << QString() << QString();
        QTest::newRow("slash") << QStringLiteral("/") << QStringLiteral("/");
    }

    void savePathGetsOneMoreSlash()
    {
        QFETCH(QString, suffix);
        QFETCH(QString, stored);
        auto window = makeWindow();
        fillValidForm(*window);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_outDir + suffix);
        QCOMPARE(window->collectJobSettings(), 0);
        // D:/out becomes D:/out/, D:/out/ becomes D:/out//.
        QCOMPARE(JobSettings::current().savePath, m_outDir + suffix + QStringLiteral("/"));
        QVERIFY(settingsBytes().contains("savePath=" + QFile::encodeName(m_outDir + stored) + "\r\n"));
    }

    void aFolderPassesAsWorkbook()
    {
        auto window = makeWindow();
        fillValidForm(*window);
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_sourceDir);
        QCOMPARE(window->collectJobSettings(), 0);
        QCOMPARE(JobSettings::current().sourceWorkbookPath, m_sourceDir);
    }

    void missingWorkbookWritesNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("empty") << QString();
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("data/none.xlsx"));
    }

    void missingWorkbookWritesNothing()
    {
        QFETCH(QString, source);
        const QByteArray before("column=3\r\n");
        auto window = makeWindow(before);
        JobSettings::current().savePath = QStringLiteral("/previous/");
        JobSettings::current().categoryNames = QStringList{QStringLiteral("old")};
        fillValidForm(*window);
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(source);
        widget<QLineEdit>(*window, "lEdt_OpenPwd")->setText(QStringLiteral("typed"));

        QCOMPARE(window->collectJobSettings(), -1);
        QCOMPARE(label(*window)->text(), QString::fromUtf8("Excel工作簿文件不存在,请选择正确路径!"));
        QCOMPARE(label(*window)->text(), MainWindow::workbookMissingText());
        QCOMPARE(settingsBytes(), before);
        QVERIFY(hyperLinks(*window)->isEnabled());
        QVERIFY(classifyShow(*window)->isEnabled());
        // Fields 1 to 13 are filled before the check; savePath is not.
        QVERIFY(JobSettings::current().categoryNames.isEmpty());
        QCOMPARE(JobSettings::current().openPassword, QStringLiteral("typed"));
        QCOMPARE(JobSettings::current().sourceWorkbookPath, source);
        QCOMPARE(JobSettings::current().savePath, QStringLiteral("/previous/"));
    }

    void missingFolderKeepsTheKeysWritten()
    {
        auto window = makeWindow();
        fillValidForm(*window);
        const QString missing = m_dir.filePath(QStringLiteral("no-such-folder"));
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(missing);
        QCOMPARE(window->collectJobSettings(), -1);
        QCOMPARE(label(*window)->text(), QString::fromUtf8("保存路径文件夹不存在,请选择正确路径!"));
        QCOMPARE(JobSettings::current().savePath, missing);
        QVERIFY(hyperLinks(*window)->isEnabled());
        QVERIFY(classifyShow(*window)->isEnabled());
        const QByteArray bytes = settingsBytes();
        QVERIFY(bytes.startsWith("dataSplitFilePath=" + QFile::encodeName(m_source) + "\r\nsavePath="
                                 + QFile::encodeName(missing) + "\r\ncolumn=1\r\n"));
        QVERIFY(bytes.contains("VlookupCol=1\r\n"));

        // A file is no folder.
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_source);
        QCOMPARE(window->collectJobSettings(), -1);
        QCOMPARE(label(*window)->text(), MainWindow::saveFolderMissingText());
    }

    void outputOverSourceIsRefused_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("saveFolder");
        QTest::newRow("the source's folder") << m_source << m_sourceDir;
        QTest::newRow("with a slash") << m_source << m_sourceDir + QStringLiteral("/");
        QTest::newRow("through a link") << m_source << m_dir.filePath(QStringLiteral("datalink"));
        QTest::newRow("with dot-dot") << m_source << m_sourceDir + QStringLiteral("/upper/..");
        QTest::newRow("source through a link") << m_dir.filePath(QStringLiteral("datalink/report.final.xlsx"))
                                               << m_sourceDir;
    }

    void outputOverSourceIsRefused()
    {
        QFETCH(QString, source);
        QFETCH(QString, saveFolder);
        auto window = makeWindow();
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(source);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(saveFolder);
        QCOMPARE(window->collectJobSettings(), -1);
        QCOMPARE(label(*window)->text(),
                 QString::fromUtf8("保存文件夹不能是原工作簿所在的文件夹,否则会覆盖原工作簿,请另选文件夹!"));
        QCOMPARE(label(*window)->text(), MainWindow::overwritesSourceText());
        QCOMPARE(JobSettings::current().savePath, saveFolder);
        QVERIFY(hyperLinks(*window)->isEnabled());
        QVERIFY(classifyShow(*window)->isEnabled());
        // The six keys stay written, as after the folder message.
        const QByteArray bytes = settingsBytes();
        QVERIFY(bytes.startsWith("dataSplitFilePath=" + QFile::encodeName(source) + "\r\nsavePath="
                                 + QFile::encodeName(saveFolder) + "\r\n"));
        QVERIFY(bytes.contains("VlookupCol=1\r\n"));
    }

    void relativeSourceOverItsFolderIsRefused()
    {
        auto window = makeWindow();
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(QStringLiteral("data/report.final.xlsx"));
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_sourceDir);
        const int result = window->collectJobSettings();
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(result, -1);
        QCOMPARE(label(*window)->text(), MainWindow::overwritesSourceText());
    }

    void otherFilesInTheSourceFolderAreAccepted()
    {
        auto window = makeWindow();
        // DATA.XLSX would be saved as DATA.xlsx: another file on Linux.
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_sourceDir + QStringLiteral("/upper/DATA.XLSX"));
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_sourceDir + QStringLiteral("/upper"));
        QCOMPARE(window->collectJobSettings(), 0);
        window->on_Signal_SetButtonEnable();

        // A .csv source is not saved under its own name (the job refuses it).
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_sourceDir + QStringLiteral("/table.csv"));
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_sourceDir);
        QCOMPARE(window->collectJobSettings(), 0);
        window->on_Signal_SetButtonEnable();

        // Another folder than the source's.
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_source);
        widget<QLineEdit>(*window, "lEdt_SavePath")->setText(m_sourceDir + QStringLiteral("/upper"));
        QCOMPARE(window->collectJobSettings(), 0);
    }

    void spinBoxesClampTypedNumbers()
    {
        auto window = makeWindow();
        fillValidForm(*window);
        widget<QSpinBox>(*window, "sBox_Column")->setValue(300);
        QCOMPARE(window->collectJobSettings(), 0);
        QCOMPARE(JobSettings::current().classifyColumn, 256);
        QVERIFY(settingsBytes().contains("\r\ncolumn=256\r\n"));
    }

    // --- dispatch --------------------------------------------------------------

    // A workbook an earlier job made, chosen: the form takes the settings
    // kept in it and the message line says the job will update it, with
    // them; choosing another workbook takes the notice away again.
    void anEarlierResultFillsTheForm()
    {
        ResultMark mark;
        mark.job = ResultMark::Job::Link;
        mark.summarySheet = QString::fromUtf8("汇总 <1>");
        mark.classifyColumn = 3;
        mark.headerRows = 2;
        mark.editRange = QStringLiteral("D3:F40");
        mark.lookupColumn = 2;
        mark.madeSheets = QStringList{QString::fromUtf8("目录"), QString::fromUtf8("甲 & 乙")};
        QString properties;
        int pid = 2;
        for (const auto &property : markProperties(mark))
            properties += QStringLiteral("<property fmtid=\"{D5CDD505-2E9C-101B-9397-08002B2CF9AE}\" pid=\"%1\" "
                                         "name=\"%2\"><vt:lpwstr>%3</vt:lpwstr></property>")
                              .arg(pid++)
                              .arg(property.first.toHtmlEscaped(), property.second.toHtmlEscaped());
        const QString earlier = m_dir.filePath(QStringLiteral("data/earlier.xlsx"));
        {
            QZipWriter zip(earlier);
            zip.addFile(QStringLiteral("docProps/custom.xml"),
                        (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Properties "
                                        "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/custom-properties\" "
                                        "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">")
                         + properties + QStringLiteral("</Properties>"))
                            .toUtf8());
        }

        auto window = makeWindow();
        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(earlier);
        QCOMPARE(widget<QSpinBox>(*window, "sBox_Column")->value(), 3);
        QVERIFY(widget<QCheckBox>(*window, "cBox_AppointedHeaderRow")->isChecked());
        QCOMPARE(widget<QSpinBox>(*window, "sBox_AppointedHeaderRow")->value(), 2);
        QVERIFY(widget<QCheckBox>(*window, "cBox_AllowEditRange")->isChecked());
        QCOMPARE(widget<QLineEdit>(*window, "lEdt_AllowEditRange")->text(), QStringLiteral("D3:F40"));
        QCOMPARE(widget<QSpinBox>(*window, "sBox_VlookupCol")->value(), 2);
        QCOMPARE(label(*window)->text(),
                 Texts::updatingResult(false) + Texts::updateSettings(3, QStringLiteral("2"), "D3:F40", 2));

        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->setText(m_source);
        QCOMPARE(label(*window)->text(), QString());
    }

    void jobRunsOnAWorkerThread()
    {
        auto window = makeWindow();
        fillValidForm(*window);
        const int callsBefore = fakeBackend().callCount();

        classifyShow(*window)->click();

        // Right after the click: buttons off, a new thread and worker.
        QVERIFY(!hyperLinks(*window)->isEnabled());
        QVERIFY(!classifyShow(*window)->isEnabled());
        QVERIFY(window->jobRunning());
        QThread *thread = window->workerThread();
        MergeObject *worker = window->worker();
        QVERIFY(thread);
        QVERIFY(worker);
        QVERIFY(thread->isRunning());
        QCOMPARE(worker->thread(), thread);
        QCOMPARE(worker->name(), QStringLiteral("tem"));
        QVERIFY(worker->parent() == nullptr);
        QVERIFY(thread->parent() == nullptr);
        QCOMPARE(window->receiversOf(SIGNAL(pBtn_ClassifyShow_HasClicked())), 1);
        QCOMPARE(window->receiversOf(SIGNAL(pBtn_HyperLinks_HasClicked())), 0);

        // The job reports and ends; the buttons come back.
        QTRY_VERIFY(classifyShow(*window)->isEnabled());
        QVERIFY(hyperLinks(*window)->isEnabled());
        QVERIFY(!window->jobRunning());
        QCOMPARE(label(*window)->text(), QString::fromUtf8(noApplicationText));
        QCOMPARE(fakeBackend().callCount(), callsBefore + 1);
        QCOMPARE(fakeBackend().thread(), thread);

        // The worker and its idle thread stay until the next job.
        QCOMPARE(window->workerThread(), thread);
        QCOMPARE(window->worker(), worker);
        QVERIFY(thread->isRunning());
    }

    void workerTextsReachTheLabel()
    {
        auto window = makeWindow();
        fillValidForm(*window);
        hyperLinks(*window)->click();
        QTRY_VERIFY(hyperLinks(*window)->isEnabled());
        MergeObject *worker = window->worker();

        // Emitted on the worker's thread, shown by the GUI thread, unchanged.
        const QString rich = QString::fromUtf8("正在处理 <b>|</b> 第3张表");
        QThread *emittedOn = nullptr;
        QMetaObject::invokeMethod(worker, [worker, rich, &emittedOn] {
            emittedOn = QThread::currentThread();
            emit worker->ShowDisposingFile(rich);
        }, Qt::BlockingQueuedConnection);
        QCOMPARE(emittedOn, window->workerThread());
        QTRY_COMPARE(label(*window)->text(), rich);

        // The end signal enables both buttons again; the label keeps its text.
        hyperLinks(*window)->setEnabled(false);
        classifyShow(*window)->setEnabled(false);
        QMetaObject::invokeMethod(worker, [worker] { emit worker->Signal_SetButtonEnable(); },
                                  Qt::BlockingQueuedConnection);
        QTRY_VERIFY(hyperLinks(*window)->isEnabled());
        QVERIFY(classifyShow(*window)->isEnabled());
        QCOMPARE(label(*window)->text(), rich);
    }

    void refusedClickKeepsThePreviousWorker()
    {
        auto window = makeWindow();
        fillValidForm(*window);
        hyperLinks(*window)->click();
        QTRY_VERIFY(hyperLinks(*window)->isEnabled());
        QPointer<QThread> thread = window->workerThread();
        QPointer<MergeObject> worker = window->worker();
        const int calls = fakeBackend().callCount();

        widget<QLineEdit>(*window, "lEdt_DataSplitFilePath")->clear();
        classifyShow(*window)->click();

        QCOMPARE(label(*window)->text(), MainWindow::workbookMissingText());
        QVERIFY(hyperLinks(*window)->isEnabled());
        QVERIFY(classifyShow(*window)->isEnabled());
        QVERIFY(thread);
        QVERIFY(worker);
        QCOMPARE(window->workerThread(), thread.data());
        QCOMPARE(window->worker(), worker.data());
        QVERIFY(thread->isRunning());
        QVERIFY(!window->jobRunning());
        QTest::qWait(50);
        QCOMPARE(fakeBackend().callCount(), calls);
        QCOMPARE(window->receiversOf(SIGNAL(pBtn_ClassifyShow_HasClicked())), 0);
    }

    void twoJobsRunOnTwoThreads()
    {
        auto window = makeWindow();
        fillValidForm(*window);

        hyperLinks(*window)->click();
        QTRY_VERIFY(hyperLinks(*window)->isEnabled());
        QPointer<QThread> firstThread = window->workerThread();
        QPointer<MergeObject> firstWorker = window->worker();
        QVERIFY(firstThread);
        const int calls = fakeBackend().callCount();

        classifyShow(*window)->click();
        // The first worker and thread are gone, after the thread had finished.
        QVERIFY(firstThread.isNull());
        QVERIFY(firstWorker.isNull());
        QThread *secondThread = window->workerThread();
        QVERIFY(secondThread);
        QVERIFY(secondThread->isRunning());
        QCOMPARE(window->worker()->thread(), secondThread);
        // The request reaches only the new worker.
        QCOMPARE(window->receiversOf(SIGNAL(pBtn_ClassifyShow_HasClicked())), 1);
        QCOMPARE(window->receiversOf(SIGNAL(pBtn_HyperLinks_HasClicked())), 0);

        QTRY_VERIFY(classifyShow(*window)->isEnabled());
        QCOMPARE(fakeBackend().callCount(), calls + 1);
        QCOMPARE(fakeBackend().thread(), secondThread);
        QCOMPARE(label(*window)->text(), QString::fromUtf8(noApplicationText));
    }

    // --- pick dialogs ----------------------------------------------------------

    void workbookDialog()
    {
        auto window = makeWindow();
        auto *edit = widget<QLineEdit>(*window, "lEdt_DataSplitFilePath");
        edit->setText(QStringLiteral("before"));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_sourceDir));

        QString title;
        QStringList filters;
        QString directory;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        bool hadParent = true;
        bool pick = false;
        QTimer driver;
        driver.setInterval(20);
        connect(&driver, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            driver.stop();
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            directory = dialog->directory().absolutePath();
            mode = dialog->fileMode();
            hadParent = dialog->parentWidget() != nullptr;
            if (pick) {
                typeIntoDialog(dialog, m_source);
                static_cast<QDialog *>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });

        driver.start();
        widget<QPushButton>(*window, "pBtn_DataSplitFilePath")->click();
        QCOMPARE(edit->text(), QStringLiteral("before")); // cancelled: unchanged
        QCOMPARE(title, QString::fromUtf8("选择Excel文件"));
        QCOMPARE(filters, QStringList{QStringLiteral("*.xls *.xlsx *.xlsm")});
        QCOMPARE(directory, QDir(m_sourceDir).absolutePath());
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QVERIFY(!hadParent);

        pick = true;
        driver.start();
        widget<QPushButton>(*window, "pBtn_DataSplitFilePath")->click();
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(edit->text(), m_source);
    }

    void folderDialog()
    {
        auto window = makeWindow();
        auto *edit = widget<QLineEdit>(*window, "lEdt_SavePath");
        edit->setText(QStringLiteral("before"));

        QString title;
        QFileDialog::Options options;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        QWidget *parent = nullptr;
        bool pick = false;
        QTimer driver;
        driver.setInterval(20);
        connect(&driver, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            driver.stop();
            title = dialog->windowTitle();
            options = dialog->options();
            mode = dialog->fileMode();
            parent = dialog->parentWidget();
            if (pick) {
                typeIntoDialog(dialog, m_outDir);
                static_cast<QDialog *>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });

        driver.start();
        widget<QPushButton>(*window, "pBtn_SavePath")->click();
        QCOMPARE(edit->text(), QStringLiteral("before"));
        QCOMPARE(title, QString::fromUtf8("选择文件夹"));
        QVERIFY(options.testFlag(QFileDialog::ShowDirsOnly));
        QVERIFY(options.testFlag(QFileDialog::DontResolveSymlinks));
        // Qt's folder dialog reports ShowDirsOnly as the (older) DirectoryOnly mode.
        QVERIFY(mode == QFileDialog::Directory || mode == QFileDialog::DirectoryOnly);
        QCOMPARE(parent, static_cast<QWidget *>(window.get()));

        pick = true;
        driver.start();
        widget<QPushButton>(*window, "pBtn_SavePath")->click();
        QCOMPARE(QDir(edit->text()).absolutePath(), QDir(m_outDir).absolutePath());
    }

    // --- tray --------------------------------------------------------------------

    void trayMenu()
    {
        auto window = makeWindow();
        SystemTray *tray = window->tray();
        QMenu *menu = tray->contextMenu();
        QVERIFY(menu);
        QVERIFY(menu->parent() == nullptr);
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0)->text(), QString::fromUtf8("软件设置"));
        QCOMPARE(actions.at(1)->text(), QString::fromUtf8("退出程序"));
        QCOMPARE(actions.at(0)->parent(), static_cast<QObject *>(tray));
        QCOMPARE(actions.at(1)->parent(), static_cast<QObject *>(tray));
    }

    void trayShowsTheWindow_data()
    {
        QTest::addColumn<int>("how");      // 0 click, 1 double-click, 2 menu entry, 3 ShowUi
        QTest::addColumn<int>("state");    // 0 minimised, 1 maximised, 2 resized by the user
        for (int how = 0; how < 4; ++how) {
            for (int state = 0; state < 3; ++state)
                QTest::addRow("how %d, state %d", how, state) << how << state;
        }
    }

    void trayShowsTheWindow()
    {
        QFETCH(int, how);
        QFETCH(int, state);
        auto window = makeWindow();
        SystemTray *tray = window->tray();
        QSignalSpy showWidget(tray, SIGNAL(showWidget()));
        if (state == 0)
            window->showMinimized();
        else if (state == 1)
            window->showMaximized();
        else
            window->resize(700, 480);
        QApplication::processEvents();

        switch (how) {
        case 0: emit tray->activated(QSystemTrayIcon::Trigger); break;
        case 1: emit tray->activated(QSystemTrayIcon::DoubleClick); break;
        case 2: tray->contextMenu()->actions().at(0)->trigger(); break;
        default: tray->ShowUi(); break;
        }
        QCOMPARE(showWidget.count(), how >= 2 ? 1 : 0);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
        QVERIFY(!window->isMaximized());
        QCOMPARE(window->size(), QSize(940, 400));
        QTRY_VERIFY(window->isActiveWindow());
    }

    void otherTrayReasonsDoNothing()
    {
        auto window = makeWindow();
        SystemTray *tray = window->tray();
        window->showMinimized();
        QApplication::processEvents();
        emit tray->activated(QSystemTrayIcon::Context);
        emit tray->activated(QSystemTrayIcon::MiddleClick);
        emit tray->activated(QSystemTrayIcon::Unknown);
        QVERIFY(window->isMinimized());
    }

    // These two run the event loop to its end.
    void closingTheWindowEndsTheEventLoop()
    {
        auto window = makeWindow();
        QSignalSpy lastClosed(qApp, SIGNAL(lastWindowClosed()));
        QTimer::singleShot(0, window.get(), &QWidget::close);
        // A timer that would fail the test if the loop did not end by itself.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QApplication::exit(42); });
        guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!window->isVisible());
        QCOMPARE(lastClosed.count(), 1);
    }

    void trayQuitEndsTheEventLoop()
    {
        auto window = makeWindow();
        SystemTray *tray = window->tray();
        QSignalSpy aboutToQuit(qApp, SIGNAL(aboutToQuit()));
        QTimer::singleShot(0, tray->contextMenu()->actions().at(1), &QAction::trigger);
        // A timer that would fail the test if the quit did not come.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QApplication::exit(42); });
        guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(aboutToQuit.count(), 1);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
