#pragma once

#include <QString>
#include <QWidget>

class QProgressBar;
class QPushButton;

// The row under the job's message: how far the running job is, the button
// that cancels it, and after a success the button that opens the folder
// the result was saved in.
class ResultBar : public QWidget
{
    Q_OBJECT
public:
    explicit ResultBar(QWidget *parent = nullptr);

    QProgressBar *progressBar() const { return m_bar; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *openFolderButton() const { return m_openFolder; }
    QPushButton *detailsButton() const { return m_details; }

    static QString cancelText();
    static QString openFolderText();
    static QString detailsText();

public slots:
    // A job starts: busy bar, cancel enabled, no folder to open.
    void jobStarted();
    // done of total; total 0 shows the bar busy.
    void showProgress(int done, int total);
    // The job has ended; `savedFolder` is the result's folder after a
    // success, empty otherwise.
    void jobEnded(const QString &savedFolder);
    // After a failure: why, as the program's log has it; empty for nothing
    // to show. Shown by the 详细信息 button until the next job or check.
    void showDetails(const QString &details);

signals:
    void cancelRequested();
    // No program on this system opens folders; the window names it instead.
    void folderNotOpened(const QString &folder);
    void detailsRequested(const QString &details);

private:
    void openFolder();

    QProgressBar *m_bar;
    QPushButton *m_cancel;
    QPushButton *m_openFolder;
    QPushButton *m_details;
    QString m_folder;
    QString m_detailsText;
};
