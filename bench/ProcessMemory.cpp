#include "ProcessMemory.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <unistd.h>

qint64 statusFieldKb(const QByteArray &statusText, const QByteArray &field)
{
    const QByteArray key = field + ':';
    for (const QByteArray &line : statusText.split('\n')) {
        if (!line.startsWith(key))
            continue;
        QByteArray value = line.mid(key.size()).trimmed();
        if (value.endsWith(" kB"))
            value.chop(3);
        bool ok = false;
        const qint64 kb = value.trimmed().toLongLong(&ok);
        return ok ? kb : -1;
    }
    return -1;
}

bool parseStatLine(const QByteArray &statLine, StatInfo *info)
{
    const int open = statLine.indexOf('(');
    const int close = statLine.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    // After the name: state, ppid, pgrp, session, tty, tpgid, flags,
    // minflt, cminflt, majflt, cmajflt, utime, stime, ...
    const QList<QByteArray> rest = statLine.mid(close + 1).trimmed().split(' ');
    if (rest.size() < 2)
        return false;
    bool ok = false;
    const qint64 parent = rest.at(1).toLongLong(&ok);
    if (!ok)
        return false;
    qint64 ticks = -1;
    if (rest.size() >= 13) {
        bool userOk = false;
        bool systemOk = false;
        const qint64 user = rest.at(11).toLongLong(&userOk);
        const qint64 system = rest.at(12).toLongLong(&systemOk);
        if (userOk && systemOk)
            ticks = user + system;
    }
    if (info) {
        info->command = statLine.mid(open + 1, close - open - 1);
        info->parentPid = parent;
        info->cpuTicks = ticks;
    }
    return true;
}

qint64 ticksToMs(qint64 ticks)
{
    if (ticks < 0)
        return -1;
    static const long perSecond = ::sysconf(_SC_CLK_TCK);
    return perSecond > 0 ? ticks * 1000 / perSecond : -1;
}

namespace {

QByteArray readProcFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QList<qint64> children(qint64 parentPid, const QByteArray *command)
{
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        StatInfo info;
        if (!parseStatLine(readProcFile(pid, "stat"), &info) || info.parentPid != parentPid)
            continue;
        if (!command || info.command == *command)
            found << pid;
    }
    return found;
}

} // namespace

qint64 processStatusKb(qint64 pid, const QByteArray &field)
{
    return statusFieldKb(readProcFile(pid, "status"), field);
}

qint64 processCpuMs(qint64 pid)
{
    StatInfo info;
    if (!parseStatLine(readProcFile(pid, "stat"), &info))
        return -1;
    return ticksToMs(info.cpuTicks);
}

QList<qint64> childProcesses(qint64 parentPid, const QByteArray &command)
{
    return children(parentPid, &command);
}

QList<qint64> childProcesses(qint64 parentPid)
{
    return children(parentPid, nullptr);
}

bool resetOwnPeak()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write("5") == 1;
}

qint64 ownPeakKb()
{
    return processStatusKb(::getpid(), "VmHWM");
}

qint64 ownRssKb()
{
    return processStatusKb(::getpid(), "VmRSS");
}

qint64 ownCpuMs()
{
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
    const auto ms = [](const timeval &t) { return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

qint64 kbToMb(qint64 kb)
{
    if (kb < 0)
        return -1;
    return (kb + 512) / 1024;
}
