#include "OfficeSession.h"

#include "Guarded.h"

#include <QDateTime>
#include <QFile>

#include <chrono>

// The watchdog: every call into the office is bracketed, and an office that
// dies, is stopped, or uses no CPU for too long during a call is ended.

namespace {

std::atomic<quint64> trips{0};

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// CPU time (user + system, in clock ticks) the process has used, or -1.
qint64 cpuTicks(qint64 pid, char *state)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    if (state)
        *state = fields[0].isEmpty() ? '?' : fields[0][0];
    return fields[11].toLongLong() + fields[12].toLongLong();
}

} // namespace

quint64 OfficeSession::roundTrips()
{
    return trips.load();
}

OfficeSession::Call::Call(OfficeSession &session)
    : m_session(session)
{
    ++trips;
    if (m_session.m_callDepth.fetch_add(1) == 0)
        m_session.m_callStartedMs.store(nowMs());
}

OfficeSession::Call::~Call()
{
    if (m_session.m_callDepth.fetch_sub(1) == 1)
        m_session.m_callStartedMs.store(0);
}

void OfficeSession::watch()
{
    qint64 lastTicks = -1;
    qint64 lastProgressMs = nowMs();
    qint64 stoppedSinceMs = 0;
    std::unique_lock<std::mutex> lock(m_watchMutex);
    while (!m_watchStop) {
        m_watchWake.wait_for(lock, std::chrono::milliseconds(250));
        if (m_watchStop)
            break;
        char state = '?';
        const qint64 ticks = cpuTicks(m_pid, &state);
        const qint64 now = nowMs();
        if (ticks < 0 || state == 'Z' || state == 'X') {
            // The office has gone.
            if (!m_lost.load() && !m_quitting.load())
                qCWarning(officeLog) << "the office process" << m_pid << "ended";
            markLost();
            continue;
        }
        if (ticks != lastTicks) {
            lastTicks = ticks;
            lastProgressMs = now;
        }
        stoppedSinceMs = (state == 'T' || state == 't') ? (stoppedSinceMs ? stoppedSinceMs : now) : 0;
        const qint64 started = m_callStartedMs.load();
        if (started == 0 || m_lost.load())
            continue;
        const bool stopped = stoppedSinceMs && now - stoppedSinceMs > 2000;
        const bool frozen = now - started > m_options.frozenAfterMs && now - lastProgressMs > m_options.frozenAfterMs;
        if (stopped || frozen) {
            qCWarning(officeLog) << "the office" << (stopped ? "was stopped" : "stopped answering") << "for"
                                 << (now - (stopped ? stoppedSinceMs : lastProgressMs)) << "ms; ended";
            markLost();
            killGroup();
        }
    }
}

void OfficeSession::stopWatchdog()
{
    if (!m_watchdog.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_watchMutex);
        m_watchStop = true;
    }
    m_watchWake.notify_all();
    m_watchdog.join();
}
