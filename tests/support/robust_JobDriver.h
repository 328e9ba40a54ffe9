#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPair>
#include <QStringList>

#include <functional>

class MergeObject;
class QThread;

// Starts jobs the way the main window does: for every job a new QThread and a
// new MergeObject moved to it, the three connections, and the request signal;
// the previous thread is quit and waited for, and it and its worker deleted.
class JobDriver : public QObject
{
    Q_OBJECT
public:
    enum class Kind { ClassifyShow, InsertHyperLinks };

    JobDriver();
    ~JobDriver() override;

    // Runs on the worker thread, inside the job, for every text it shows,
    // before the text is queued to us. Set it before start().
    void setTextHook(std::function<void(const QString &)> hook) { m_hook = std::move(hook); }

    void start(Kind kind);

    // Spins the event loop until the job's end signal has arrived, or `ms`
    // have passed; then lets `settleMs` more pass so a second end signal
    // would be seen too. True when the end arrived in time.
    bool waitForEnd(int ms, int settleMs = 300);

    // Spins the event loop until `done` or `ms` have passed.
    static bool spinUntil(const std::function<bool()> &done, int ms);

    const QStringList &texts() const { return m_texts; }
    QString lastText() const { return m_texts.value(m_texts.size() - 1); }
    // Texts and "<end>" in the order they reached us.
    const QStringList &events() const { return m_events; }
    int ends() const { return m_ends; }
    // Milliseconds from start() to the end signal, or -1.
    qint64 endedAfterMs() const { return m_endedAfterMs; }
    qint64 sinceStartMs() const { return m_clock.elapsed(); }
    // The last JobProgress that reached us: done, total.
    QPair<int, int> progress() const { return m_progress; }

signals:
    void pBtn_ClassifyShow_HasClicked();
    void pBtn_HyperLinks_HasClicked();

private slots:
    void on_ShowDisposingFile(const QString &filePath);
    void on_Signal_SetButtonEnable();

private:
    void dropWorker();

    QThread *m_thread = nullptr;
    MergeObject *m_worker = nullptr;
    std::function<void(const QString &)> m_hook;
    QStringList m_texts;
    QStringList m_events;
    int m_ends = 0;
    qint64 m_endedAfterMs = -1;
    QPair<int, int> m_progress{0, 0};
    QElapsedTimer m_clock;
};
