#include "MainWindow.h"
#include "ui_MainWindow.h"

#include "AppResources.h"
#include "DropHandler.h"
#include "EarlierResultNotice.h"
#include "FormHelp.h"
#include "FormSettings.h"
#include "JobLogFile.h"
#include "JobQuestions.h"
#include "MessageLine.h"
#include "OutputTarget.h"
#include "PasswordFields.h"
#include "PlatformFiles.h"
#include "RangeFieldCheck.h"
#include "ResultBar.h"
#include "SamePlace.h"
#include "SettingsCheck.h"
#include "SystemTray.h"

#include "FileFormats.h"
#include "JobLog.h"
#include "JobSettings.h"
#include "MergeObject.h"
#include "SettingsFile.h"
#include "Texts.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QDir>
#include <QLineEdit>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QThread>
#include <QTimer>

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

QString MainWindow::folderNotOpenedText(const QString &folder)
{
    return QString::fromUtf8("本机没有可以打开文件夹的程序,结果保存在：") + QDir::toNativeSeparators(folder);
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
    fillFormFromSettings(*m_ui, settingsText);

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

    // Under the message: the job's progress, its cancel button and, after a
    // success, the button to the result's folder.
    m_resultBar = new ResultBar(m_ui->lb_ShowDisposing->parentWidget());
    if (auto *page = qobject_cast<QBoxLayout *>(m_ui->lb_ShowDisposing->parentWidget()->layout())) {
        const int labelAt = page->indexOf(m_ui->lb_ShowDisposing);
        page->setStretch(labelAt, 0);
        page->insertWidget(labelAt + 1, m_resultBar);
        page->addStretch(1);
    }
    connect(m_resultBar, &ResultBar::cancelRequested, this, &MainWindow::cancelJob);
    connect(m_resultBar, &ResultBar::detailsRequested, this, [this](const QString &details) {
        showDetails(this, m_lastJobText, details);
    });
    connect(m_resultBar, &ResultBar::folderNotOpened, this, [this](const QString &folder) {
        showMessage(m_ui->lb_ShowDisposing, folderNotOpenedText(folder));
    });
    // Paths are shown here to be copied.
    m_ui->lb_ShowDisposing->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A refusal about the paths goes once they are changed.
    for (QLineEdit *path : {m_ui->lEdt_DataSplitFilePath, m_ui->lEdt_SavePath}) {
        connect(path, &QLineEdit::textChanged, this, [this] {
            if (!m_jobRunning && !showsSuccess(m_ui->lb_ShowDisposing))
                showMessage(m_ui->lb_ShowDisposing, startNotice());
        });
    }

    new DropHandler(this, m_ui->lEdt_DataSplitFilePath, m_ui->lEdt_SavePath);
    new EarlierResultNotice(*m_ui, this);
    new RangeFieldCheck(m_ui->lEdt_AllowEditRange);
    m_passwords = new PasswordFields(*m_ui, this);
    new FormHelp(*m_ui, this);
}

int MainWindow::collectJobSettings()
{
    Ui::MainWindow &ui = *m_ui;
    JobSettings &job = JobSettings::current();

    // What an earlier job left (its bar, its folder) goes with its text.
    showMessage(ui.lb_ShowDisposing, QString());
    m_resultBar->jobEnded(QString());
    readForm(ui, job);

    if (!fileExists(job.sourceWorkbookPath.toLocal8Bit())) {
        ui.lb_ShowDisposing->setText(workbookMissingText());
        return -1;
    }

    job.savePath = ui.lEdt_SavePath->text();
    writeFormSettings(m_settingsFilePath, job);
    writeFormBoxes(m_settingsFilePath, ui);

    if (!directoryExists(job.savePath.toLocal8Bit())) {
        ui.lb_ShowDisposing->setText(saveFolderMissingText());
        return -1;
    }

    // The result must not replace its own source.
    const QString outputPath = outputPathFor(job.sourceWorkbookPath, job.savePath);
    if (!outputPath.isEmpty() && isSamePlace(outputPath, job.sourceWorkbookPath)) {
        ui.lb_ShowDisposing->setText(overwritesSourceText());
        return -1;
    }

    job.savePath += QLatin1Char('/');
    setJobButtonsEnabled(false);
    return 0;
}

void MainWindow::startJob(Job job)
{
    const QString shownBefore = m_ui->lb_ShowDisposing->text();
    const QString styleBefore = m_ui->lb_ShowDisposing->styleSheet();
    if (collectJobSettings() < 0)
        return;

    // A result of the same name is replaced only when the user agrees.
    const JobSettings &settings = JobSettings::current();
    const QString warning = jobSettingsWarning(settings, job == Job::CategoryFiles);
    if (!warning.isEmpty() && !askGoOn(this, warning)) {
        setJobButtonsEnabled(true);
        return;
    }
    // One typo in the open password would lock the result for good.
    if (settings.openPasswordEnabled && !m_passwords->confirmOpenPassword(this)) {
        setJobButtonsEnabled(true);
        return;
    }
    // The files go into a new folder of their own, which replaces nothing.
    m_outputPath = job == Job::CategoryFiles ? QString() : outputPath(settings.savePath, settings.sourceWorkbookPath);
    m_savedFolder.clear();
    if (!m_outputPath.isEmpty() && QFileInfo::exists(m_outputPath) && !askReplace(this, m_outputPath)) {
        // Nothing happened: the line shows what it showed, but no earlier
        // success, whose bar and folder are gone.
        if (styleBefore == m_ui->lb_ShowDisposing->styleSheet())
            m_ui->lb_ShowDisposing->setText(shownBefore);
        setJobButtonsEnabled(true);
        return;
    }

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
    connect(m_worker, &MergeObject::JobProgress, m_resultBar, &ResultBar::showProgress);

    m_jobRunning = true;
    m_lastJobText.clear();
    JobLog::clear();
    m_resultBar->jobStarted();
    if (job == Job::InsertHyperLinks)
        emit pBtn_HyperLinks_HasClicked();
    else if (job == Job::ClassifyShow)
        emit pBtn_ClassifyShow_HasClicked();
    else
        QMetaObject::invokeMethod(m_worker, "SplitToFiles", Qt::QueuedConnection);
}

void MainWindow::setJobButtonsEnabled(bool enabled)
{
    m_ui->pBtn_HyperLinks->setEnabled(enabled);
    m_ui->pBtn_ClassifyShow->setEnabled(enabled);
    m_ui->pBtn_SplitToFiles->setEnabled(enabled);
}

void MainWindow::on_cBox_SplitToFiles_toggled(bool checked)
{
    m_ui->pBtn_HyperLinks->setVisible(!checked);
    m_ui->pBtn_ClassifyShow->setVisible(!checked);
    m_ui->pBtn_SplitToFiles->setVisible(checked);
    // The files have no lookups and no structure to lock.
    m_ui->cBox_WbProtect->setEnabled(!checked);
    m_ui->lEdt_WbProtect->setEnabled(!checked && m_ui->cBox_WbProtect->isChecked());
    const bool linking = !checked && m_ui->cBox_SheetsProtect->isChecked();
    m_ui->cBox_AllowEditRange->setEnabled(linking);
    m_ui->lEdt_AllowEditRange->setEnabled(linking && m_ui->cBox_AllowEditRange->isChecked());
    m_ui->sBox_VlookupCol->setEnabled(linking && m_ui->cBox_AllowEditRange->isChecked());
}

void MainWindow::on_pBtn_SplitToFiles_clicked()
{
    startJob(Job::CategoryFiles);
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
    m_lastJobText = filePath;
    // A success names the file it saved.
    if (Texts::isSuccess(filePath) && !m_outputPath.isEmpty()) {
        filePath += QLatin1Char('\n') + m_outputPath;
        m_savedFolder = QFileInfo(m_outputPath).absolutePath();
    } else if (Texts::isSuccess(filePath)) {
        m_savedFolder = Texts::folderOfFilesDone(filePath);
    }
    showMessage(m_ui->lb_ShowDisposing, filePath, Texts::isSuccess(m_lastJobText));
}

void MainWindow::on_Signal_SetButtonEnable()
{
    m_jobRunning = false;
    if (!Texts::isSuccess(m_lastJobText))
        appendJobLog(m_settingsFilePath, JobSettings::current().sourceWorkbookPath, m_lastJobText);
    setJobButtonsEnabled(true);
    m_resultBar->jobEnded(m_savedFolder);
    // Why it failed, as far as the program knows, one button away.
    if (!Texts::isSuccess(m_lastJobText))
        m_resultBar->showDetails(JobLog::lines().join(QLatin1Char('\n')));
    emit jobEnded();
}

void MainWindow::cancelJob()
{
    if (m_jobRunning && m_worker)
        m_worker->cancel();
}

void MainWindow::cancelJobAndWait()
{
    if (!m_jobRunning)
        return;
    cancelJob();
    QEventLoop loop;
    connect(this, &MainWindow::jobEnded, &loop, &QEventLoop::quit);
    // An office that does not end goes with the process after this.
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (m_jobRunning)
        loop.exec();
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
    m_ui->cBox_AllowEditRange->setEnabled(checked && !m_ui->cBox_SplitToFiles->isChecked());
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
    const QString filter = QStringLiteral("*.xls;*.xlsx;*.xlsm");
#else
    // Qt's own dialog separates patterns by blanks, not by ";".
    const QString filter = QStringLiteral("*.xls *.xlsx *.xlsm");
#endif
    const QString path = QFileDialog::getOpenFileName(
        nullptr, QString::fromUtf8("选择Excel文件"),
        dialogStartFolder(m_ui->lEdt_DataSplitFilePath->text(), false), filter);
    if (!path.isEmpty())
        m_ui->lEdt_DataSplitFilePath->setText(path);
}

void MainWindow::on_pBtn_SavePath_clicked()
{
    const QString path = QFileDialog::getExistingDirectory(
        this, QString::fromUtf8("选择文件夹"), dialogStartFolder(m_ui->lEdt_SavePath->text(), true),
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

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A running job is cancelled first, when the user agrees; a second
    // close while it ends waits for the first.
    if (m_jobRunning && (m_closing || !askCancelAndClose(this))) {
        event->ignore();
        return;
    }
    m_closing = true;
    cancelJobAndWait();
    m_closing = false;

    // The form is remembered as a job start would remember it.
    JobSettings form = JobSettings::current();
    readForm(*m_ui, form);
    form.savePath = m_ui->lEdt_SavePath->text();
    writeFormSettings(m_settingsFilePath, form);
    writeFormBoxes(m_settingsFilePath, *m_ui);
    // The event stays accepted, the window closes, and as the application's
    // last window its closing ends the program.
}
