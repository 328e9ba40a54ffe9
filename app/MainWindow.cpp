#include "MainWindow.h"
#include "ui_MainWindow.h"

#include "AppResources.h"
#include "PlatformFiles.h"
#include "SystemTray.h"

#include "JobSettings.h"
#include "MergeObject.h"
#include "SettingsFile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QThread>

#include <climits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// The program title; the window shows it followed directly by the version.
const char programTitle[] = "Sheetsplicer";
const char programVersion[] = "2.0";

// setupUi() connects the form's slots by name and warns about every slot
// whose name starts with "on_" but names no child of the form. Two slots of
// the window are named that way on purpose and are connected by hand to the
// worker; only their two warnings are left out, everything else
// goes to the handler that was there before.
QtMessageHandler previousHandler = nullptr;

void formMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const char prefix[] = "QMetaObject::connectSlotsByName: No matching signal for ";
    if (type == QtWarningMsg
        && (message == QLatin1String(prefix) + QLatin1String("on_ShowDisposingFile(QString)")
            || message == QLatin1String(prefix) + QLatin1String("on_Signal_SetButtonEnable()")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

// The decimal integer at the start of a value, as atoi reads it (optional
// sign, then digits); 0 when there is none. Out-of-range values saturate.
int decimalValue(const QByteArray &value)
{
    int i = 0;
    while (i < value.size() && (value.at(i) == ' ' || value.at(i) == '\t'))
        ++i;
    bool negative = false;
    if (i < value.size() && (value.at(i) == '+' || value.at(i) == '-')) {
        negative = value.at(i) == '-';
        ++i;
    }
    qint64 number = 0;
    for (; i < value.size() && value.at(i) >= '0' && value.at(i) <= '9'; ++i) {
        number = number * 10 + (value.at(i) - '0');
        if (number > qint64(INT_MAX) + 1)
            number = qint64(INT_MAX) + 1;
    }
    if (negative)
        number = -number;
    return int(qBound(qint64(INT_MIN), number, qint64(INT_MAX)));
}

// Where the job saves its result: the folder, "/", the source's complete base
// name and the lower-case ending chosen from the source's ending.
// Empty when the source has none of the three endings (the job refuses such
// a source itself).
QString outputPathFor(const QString &sourcePath, const QString &saveFolder)
{
    static const char *const endings[] = {".xlsx", ".xls", ".xlsm"};
    for (const char *ending : endings) {
        if (sourcePath.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return saveFolder + QLatin1Char('/') + QFileInfo(sourcePath).completeBaseName()
                + QLatin1String(ending);
    }
    return QString();
}

// True when both paths name the same existing file, once symbolic links,
// "." and ".." and doubled separators are resolved (on Unix also for two
// hard links of one file).
bool sameFile(const QString &first, const QString &second)
{
    const QFileInfo a(first);
    const QFileInfo b(second);
    if (!a.exists() || !b.exists())
        return false;
    if (a.canonicalFilePath() == b.canonicalFilePath())
        return true;
#ifdef Q_OS_UNIX
    struct stat infoA;
    struct stat infoB;
    if (stat(QFile::encodeName(first).constData(), &infoA) == 0
        && stat(QFile::encodeName(second).constData(), &infoB) == 0)
        return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
#endif
    return false;
}

} // namespace

QString MainWindow::workbookMissingText()
{
    return QString::fromUtf8("Excel工作簿文件不存在,请选择正确路径!");
}

QString MainWindow::saveFolderMissingText()
{
    return QString::fromUtf8("保存路径文件夹不存在,请选择正确路径!");
}

QString MainWindow::overwritesSourceText()
{
    return QString::fromUtf8("保存文件夹不能是原工作簿所在的文件夹,否则会覆盖原工作簿,请另选文件夹!");
}

QString MainWindow::startNotice()
{
#ifdef Q_OS_WIN
    return QString::fromUtf8("提示：本软件支持微软Office2010及以上版本、金山WPS专业版。");
#else
    return QString::fromUtf8("提示：本软件支持微软Office2010及以上版本、金山WPS专业版；"
                             "在本机(Linux)上由LibreOffice Calc完成表格处理。");
#endif
}

MainWindow::MainWindow(const QByteArray &settingsFilePath, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(new Ui::MainWindow)
    , m_settingsFilePath(settingsFilePath)
{
    initAppResources();

    // 1. The form: title "MainWindow", 940 x 510.
    setupForm();

    // 2. The primary screen's size, and the size to come back to.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        m_screenWidth = screen->size().width();
        m_screenHeight = screen->size().height();
    }
    m_restoreHeight = height();
    m_restoreWidth = width();

    // 3. Centred horizontally, a third of the free height from the top.
    move((m_screenWidth - m_restoreWidth) / 2, (m_screenHeight - m_restoreHeight) / 3);

    // 4. Title and icon.
    setWindowTitle(QLatin1String(programTitle) + QLatin1String(programVersion));
    setWindowIcon(QIcon(QStringLiteral(":/images/wqz.ico")));

    // 5. The tray icon.
    m_tray = new SystemTray(this);
    connect(m_tray, SIGNAL(showWidget()), this, SLOT(ShowSoftWindow()));
    connect(m_tray, SIGNAL(activated(QSystemTrayIcon::ActivationReason)),
            this, SLOT(SystemTrayActivated(QSystemTrayIcon::ActivationReason)));

    // 6. The settings file, read once.
    const QByteArray settingsText = loadSettingsText(m_settingsFilePath);

    // 7. The working height.
    resize(m_restoreWidth, 400);
    m_restoreHeight = 400;

    // 8. The form from the settings.
    fillForm(settingsText);

    // 9.
    show();
    m_workerThread = nullptr;
    m_worker = nullptr;
}

MainWindow::~MainWindow()
{
    // A finished job leaves its thread idle: stop it and clean up. A job that
    // still runs is cut off with the process, so its thread and
    // worker are left alone rather than waited for.
    if (m_workerThread && !m_jobRunning) {
        m_workerThread->quit();
        m_workerThread->wait();
        delete m_worker;
        delete m_workerThread;
    }
}

void MainWindow::setupForm()
{
    previousHandler = qInstallMessageHandler(formMessageHandler);
    m_ui->setupUi(this);
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;

    m_ui->lb_ShowDisposing->setText(startNotice());
}

void MainWindow::fillForm(const QByteArray &settingsText)
{
    Ui::MainWindow &ui = *m_ui;
    ui.lEdt_DataSplitFilePath->setText(QString::fromLocal8Bit(readSetting(settingsText, "dataSplitFilePath")));
    ui.lEdt_SavePath->setText(QString::fromLocal8Bit(readSetting(settingsText, "savePath")));
    ui.sBox_Column->setValue(decimalValue(readSetting(settingsText, "column")));
    if (readSetting(settingsText, "AppointedHeaderRow", SettingsLimits::shortValue) == "y") {
        ui.sBox_AppointedHeaderRow->setEnabled(true);
        ui.cBox_AppointedHeaderRow->setChecked(true);
    }
    ui.sBox_AppointedHeaderRow->setValue(decimalValue(readSetting(settingsText, "NumOfAppointedHeaderR")));
    ui.lEdt_AllowEditRange->setText(QString::fromLocal8Bit(readSetting(settingsText, "AllowEditRange")));
    ui.sBox_VlookupCol->setValue(decimalValue(readSetting(settingsText, "VlookupCol")));
}

int MainWindow::collectJobSettings()
{
    Ui::MainWindow &ui = *m_ui;
    JobSettings &job = JobSettings::current();

    ui.lb_ShowDisposing->setText(QString());

    job.categoryNames.clear();
    job.headerRowsEnabled = ui.cBox_AppointedHeaderRow->isChecked();
    if (job.headerRowsEnabled)
        job.headerRows = ui.sBox_AppointedHeaderRow->value();
    job.openPasswordEnabled = ui.cBox_OpenPwd->isChecked();
    job.openPassword = ui.lEdt_OpenPwd->text();
    job.sheetPassword = ui.lEdt_SheetsProtect->text();
    job.allowEditRangeEnabled = ui.cBox_AllowEditRange->isChecked();
    job.allowEditRange = normalizedEditRange(ui.lEdt_AllowEditRange->text());
    job.classifyColumn = ui.sBox_Column->value();
    job.lookupColumn = ui.sBox_VlookupCol->value();
    job.structurePasswordEnabled = ui.cBox_WbProtect->isChecked();
    job.structurePassword = ui.lEdt_WbProtect->text();
    job.sourceWorkbookPath = ui.lEdt_DataSplitFilePath->text();

    if (!fileExists(job.sourceWorkbookPath.toLocal8Bit())) {
        ui.lb_ShowDisposing->setText(workbookMissingText());
        return -1;
    }

    job.savePath = ui.lEdt_SavePath->text();

    writeSetting(m_settingsFilePath, "dataSplitFilePath", job.sourceWorkbookPath.toLocal8Bit());
    writeSetting(m_settingsFilePath, "savePath", job.savePath.toLocal8Bit());
    writeSetting(m_settingsFilePath, "column", QByteArray::number(job.classifyColumn));
    writeSetting(m_settingsFilePath, "NumOfAppointedHeaderR", QByteArray::number(job.headerRows));
    writeSetting(m_settingsFilePath, "AllowEditRange", job.allowEditRange.toLocal8Bit());
    writeSetting(m_settingsFilePath, "VlookupCol", QByteArray::number(job.lookupColumn));

    if (!directoryExists(job.savePath.toLocal8Bit())) {
        ui.lb_ShowDisposing->setText(saveFolderMissingText());
        return -1;
    }

    // The result must not replace its own source.
    const QString outputPath = outputPathFor(job.sourceWorkbookPath, job.savePath);
    if (!outputPath.isEmpty() && sameFile(outputPath, job.sourceWorkbookPath)) {
        ui.lb_ShowDisposing->setText(overwritesSourceText());
        return -1;
    }

    job.savePath += QLatin1Char('/');
    ui.pBtn_HyperLinks->setEnabled(false);
    ui.pBtn_ClassifyShow->setEnabled(false);
    return 0;
}

void MainWindow::startJob(Job job)
{
    if (collectJobSettings() < 0)
        return;

    if (m_workerThread) {
        m_workerThread->quit();
        m_workerThread->wait();
    }
    delete m_worker;
    m_worker = nullptr;
    delete m_workerThread;
    m_workerThread = nullptr;

    m_workerThread = new QThread();
    m_workerThread->start();

    m_worker = new MergeObject(QStringLiteral("tem"), nullptr);
    m_worker->moveToThread(m_workerThread);

    connect(m_worker, SIGNAL(ShowDisposingFile(QString)), this, SLOT(on_ShowDisposingFile(QString)));
    if (job == Job::InsertHyperLinks)
        connect(this, SIGNAL(pBtn_HyperLinks_HasClicked()), m_worker, SLOT(InsertHyperLinks()));
    else
        connect(this, SIGNAL(pBtn_ClassifyShow_HasClicked()), m_worker, SLOT(ClassifyShow()));
    connect(m_worker, SIGNAL(Signal_SetButtonEnable()), this, SLOT(on_Signal_SetButtonEnable()));

    m_jobRunning = true;
    if (job == Job::InsertHyperLinks)
        emit pBtn_HyperLinks_HasClicked();
    else
        emit pBtn_ClassifyShow_HasClicked();
}

void MainWindow::on_pBtn_HyperLinks_clicked()
{
    startJob(Job::InsertHyperLinks);
}

void MainWindow::on_pBtn_ClassifyShow_clicked()
{
    startJob(Job::ClassifyShow);
}

void MainWindow::on_ShowDisposingFile(QString filePath)
{
    m_ui->lb_ShowDisposing->setText(filePath);
}

void MainWindow::on_Signal_SetButtonEnable()
{
    m_jobRunning = false;
    m_ui->pBtn_HyperLinks->setEnabled(true);
    m_ui->pBtn_ClassifyShow->setEnabled(true);
}

void MainWindow::on_cBox_AppointedHeaderRow_clicked()
{
    m_ui->sBox_AppointedHeaderRow->setEnabled(m_ui->cBox_AppointedHeaderRow->isChecked());
}

void MainWindow::on_cBox_OpenPwd_clicked()
{
    m_ui->lEdt_OpenPwd->setEnabled(m_ui->cBox_OpenPwd->isChecked());
}

void MainWindow::on_cBox_WbProtect_clicked()
{
    m_ui->lEdt_WbProtect->setEnabled(m_ui->cBox_WbProtect->isChecked());
}

void MainWindow::on_cBox_SheetsProtect_clicked()
{
    const bool checked = m_ui->cBox_SheetsProtect->isChecked();
    m_ui->lEdt_SheetsProtect->setEnabled(checked);
    m_ui->cBox_AllowEditRange->setEnabled(checked);
}

void MainWindow::on_cBox_AllowEditRange_clicked()
{
    const bool checked = m_ui->cBox_AllowEditRange->isChecked();
    m_ui->lEdt_AllowEditRange->setEnabled(checked);
    m_ui->sBox_VlookupCol->setEnabled(checked);
}

void MainWindow::on_pBtn_DataSplitFilePath_clicked()
{
#ifdef Q_OS_WIN
    const QString filter = QStringLiteral("*.xls;*.xlsx;*.xlsm;*.csv");
#else
    // Qt's own dialog separates patterns by blanks, not by ";".
    const QString filter = QStringLiteral("*.xls *.xlsx *.xlsm *.csv");
#endif
    const QString path = QFileDialog::getOpenFileName(nullptr, QString::fromUtf8("选择Excel文件"),
                                                      QStringLiteral("."), filter);
    if (!path.isEmpty())
        m_ui->lEdt_DataSplitFilePath->setText(path);
}

void MainWindow::on_pBtn_SavePath_clicked()
{
    const QString path = QFileDialog::getExistingDirectory(
        this, QString::fromUtf8("选择文件夹"), QStringLiteral("."),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!path.isEmpty())
        m_ui->lEdt_SavePath->setText(path);
}

void MainWindow::ShowSoftWindow()
{
    showNormal();
    resize(m_restoreWidth, m_restoreHeight);
    raise();
    activateWindow();
}

void MainWindow::SystemTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::Trigger:
        ShowSoftWindow();
        break;
    default:
        break;
    }
}

void MainWindow::closeEvent(QCloseEvent *)
{
    // Empty on purpose: the event stays accepted, the window closes, and as
    // the application's last window its closing ends the program.
}
