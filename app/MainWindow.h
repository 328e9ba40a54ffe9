#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QScopedPointer>
#include <QSystemTrayIcon>

class MergeObject;
class PasswordFields;
class QThread;
class ResultBar;
class SystemTray;

namespace Ui {
class MainWindow;
}

// The program's only window: the form, the settings it
// remembers, the checks before a job, and the worker thread of the current
// job.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // `settingsFilePath`: the settings file (local 8-bit), read once here and
    // written at every job start that passes the workbook check and when the
    // window closes.
    explicit MainWindow(const QByteArray &settingsFilePath, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Checks the form, fills JobSettings::current() and writes the remembered
    // values back. 0: a job may start, both job buttons are disabled; -1: it
    // must not, the reason is shown in lb_ShowDisposing.
    int collectJobSettings();

    // For tests and tools.
    Ui::MainWindow *form() const { return m_ui.data(); }
    SystemTray *tray() const { return m_tray; }
    QThread *workerThread() const { return m_workerThread; }
    MergeObject *worker() const { return m_worker; }
    int restoreWidth() const { return m_restoreWidth; }
    int restoreHeight() const { return m_restoreHeight; }
    const QByteArray &settingsFilePath() const { return m_settingsFilePath; }
    ResultBar *resultBar() const { return m_resultBar; }
    // True from a job's request until its end signal.
    bool jobRunning() const { return m_jobRunning; }

    // Cancels the running job and waits (running events) until it has ended
    // and removed what it made.
    void cancelJobAndWait();

    // The texts collectJobSettings shows when it refuses a job.
    static QString workbookMissingText();
    static QString saveFolderMissingText();
    static QString overwritesSourceText();
    // The notice lb_ShowDisposing shows before the first job.
    static QString startNotice();
    // Shown when no program opens the result's folder.
    static QString folderNotOpenedText(const QString &folder);

signals:
    void pBtn_HyperLinks_HasClicked();
    void pBtn_ClassifyShow_HasClicked();
    // After the end signal of a job has been handled.
    void jobEnded();

public slots:
    void ShowSoftWindow();
    void SystemTrayActivated(QSystemTrayIcon::ActivationReason reason);

    void on_ShowDisposingFile(QString filePath);
    void on_Signal_SetButtonEnable();
    // Cancels the running job: its office ends, nothing is saved.
    void cancelJob();

private slots:
    void on_cBox_AppointedHeaderRow_clicked();
    void on_cBox_OpenPwd_clicked();
    void on_cBox_WbProtect_clicked();
    void on_cBox_SheetsProtect_clicked();
    void on_cBox_AllowEditRange_clicked();
    void on_pBtn_DataSplitFilePath_clicked();
    void on_pBtn_SavePath_clicked();
    void on_pBtn_HyperLinks_clicked();
    void on_pBtn_ClassifyShow_clicked();
    void on_pBtn_SplitToFiles_clicked();
    // Ticked, the one button of the files job stands for the two others.
    void on_cBox_SplitToFiles_toggled(bool checked);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Job { InsertHyperLinks, ClassifyShow, CategoryFiles };
    void setJobButtonsEnabled(bool enabled);
    void startJob(Job job);
    void setupForm();

    QScopedPointer<Ui::MainWindow> m_ui;
    QByteArray m_settingsFilePath;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    int m_restoreHeight = 0;
    int m_restoreWidth = 0;
    SystemTray *m_tray = nullptr;
    QThread *m_workerThread = nullptr;
    MergeObject *m_worker = nullptr;
    bool m_jobRunning = false;
    bool m_closing = false;
    ResultBar *m_resultBar = nullptr;
    PasswordFields *m_passwords = nullptr;
    QString m_outputPath;   // where the current job saves its result (the files job: empty)
    QString m_savedFolder;  // its folder, once the job reported success
    QString m_lastJobText;  // the current job's last text
};
