#pragma once

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Watches the office processes this process starts: every 100 ms it looks
// for children named soffice.bin and keeps the largest peak resident size
// (VmHWM) any of them reached. The office exits at the end of a job, so
// the last sample is at most one interval old.
class OfficeWatcher
{
public:
    explicit OfficeWatcher(int intervalMs = 100, const QByteArray &command = QByteArrayLiteral("soffice.bin"));
    ~OfficeWatcher();

    void start();
    // Takes a last sample and stops the thread.
    void stop();

    // Largest VmHWM seen since start() or the last reset(), in kB; -1 when
    // no office was seen.
    qint64 peakKb() const { return m_peakKb.load(); }
    // Forgets the peak (offices of earlier runs have exited by then).
    void reset() { m_peakKb.store(-1); }

    // One sample, on the calling thread.
    void sample();

private:
    void loop();

    int m_intervalMs;
    QByteArray m_command;
    std::atomic<qint64> m_peakKb{-1};
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
};
