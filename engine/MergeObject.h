#pragma once

#include "JobSettings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <mutex>

// The worker that carries the two jobs. The window makes one per job start,
// moves it to a worker thread and triggers one slot; the slot runs the whole
// job there and reports only through its signals. The job's settings are the
// form's as they were when the worker was made: the worker works on its own
// copy, and the form's settings are only ever written by the thread that
// makes the worker.
class MergeObject : public QObject
{
    Q_OBJECT
public:
    MergeObject(const QString &name, QObject *parent = nullptr);
    ~MergeObject() override;

    const QString &name() const { return m_name; }

    // The settings the next job runs with (the form's when the worker was
    // made); set them before the job starts, from the thread that made the
    // worker. After a job they hold what it filled in (the categories).
    void setSettings(const JobSettings &settings) { m_settings = settings; }
    const JobSettings &settings() const { return m_settings; }

    // Called directly from another thread while the job runs: marks the job
    // cancelled and ends its spreadsheet application, so every later call of
    // the job fails at once. False when the job has already kept its result
    // (too late to cancel).
    bool cancel();
    bool cancelled() const;

    // For the running job: how cancel() ends its application (empty: none
    // runs yet), and the moment it keeps its saved result, after which a
    // cancel is refused. keepResult() is false when a cancel came first.
    void setAbort(std::function<void()> abort);
    bool keepResult();

signals:
    void Signal_SetButtonEnable();
    void ShowDisposingFile(QString filePath);
    // How far the job is: `done` of `total` steps of its current stage;
    // total 0 while it waits on something it cannot count (the office
    // starting, loading, saving).
    void JobProgress(int done, int total);

public slots:
    void InsertHyperLinks();
    void ClassifyShow();
    // One workbook per category, in a new folder of the save folder.
    void SplitToFiles();

private:
    QString m_name;
    mutable std::mutex m_mutex;
    bool m_cancelled = false;
    bool m_resultKept = false;
    std::function<void()> m_abort;
    JobSettings m_settings;
};
