#include "OfficeWatcher.h"

#include "ProcessMemory.h"

#include <unistd.h>

#include <chrono>

OfficeWatcher::OfficeWatcher(int intervalMs, const QByteArray &command)
    : m_intervalMs(intervalMs)
    , m_command(command)
{
}

OfficeWatcher::~OfficeWatcher()
{
    stop();
}

void OfficeWatcher::start()
{
    if (m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = false;
    }
    m_thread = std::thread([this] { loop(); });
}

void OfficeWatcher::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    sample();
}

void OfficeWatcher::sample()
{
    for (qint64 pid : childProcesses(::getpid(), m_command)) {
        const qint64 kb = processStatusKb(pid, "VmHWM");
        qint64 seen = m_peakKb.load();
        while (kb > seen && !m_peakKb.compare_exchange_weak(seen, kb)) {
        }
        const qint64 cpu = processCpuMs(pid);
        if (cpu >= 0) {
            std::lock_guard<std::mutex> lock(m_cpuMutex);
            m_cpuMsByPid[pid] = qMax(m_cpuMsByPid.value(pid, 0), cpu);
        }
    }
}

qint64 OfficeWatcher::cpuMs() const
{
    std::lock_guard<std::mutex> lock(m_cpuMutex);
    if (m_cpuMsByPid.isEmpty())
        return -1;
    qint64 total = 0;
    for (qint64 ms : m_cpuMsByPid)
        total += ms;
    return total;
}

void OfficeWatcher::reset()
{
    m_peakKb.store(-1);
    std::lock_guard<std::mutex> lock(m_cpuMutex);
    m_cpuMsByPid.clear();
}

void OfficeWatcher::loop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        lock.unlock();
        sample();
        lock.lock();
        m_wake.wait_for(lock, std::chrono::milliseconds(m_intervalMs), [this] { return m_stop; });
    }
}
