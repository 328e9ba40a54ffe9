#pragma once

#include <QByteArray>
#include <QMap>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Watches the office processes this process starts: every 100 ms it looks
// for children named soffice.bin, keeps the largest peak resident size
// (VmHWM) any of them reached and adds up the CPU time they used. The
// office exits at the end of a job, so the last sample is at most one
// interval old.
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
    // CPU time of the offices seen since start() or reset(), in ms; -1
    // when no office was seen.
    qint64 cpuMs() const;
    // Forgets peak and CPU time (offices of earlier runs have exited by then).
    void reset();

    // One sample, on the calling thread.
    void sample();

private:
    void loop();

    int m_intervalMs;
    QByteArray m_command;
    std::atomic<qint64> m_peakKb{-1};
    mutable std::mutex m_cpuMutex;
    QMap<qint64, qint64> m_cpuMsByPid;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
};
