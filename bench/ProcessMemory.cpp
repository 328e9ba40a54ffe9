#include "ProcessMemory.h"

#include <QDir>
#include <QFile>

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

bool parseStatLine(const QByteArray &statLine, QByteArray *command, qint64 *parentPid)
{
    const int open = statLine.indexOf('(');
    const int close = statLine.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    const QList<QByteArray> rest = statLine.mid(close + 1).trimmed().split(' ');
    if (rest.size() < 2)
        return false;
    bool ok = false;
    const qint64 parent = rest.at(1).toLongLong(&ok);
    if (!ok)
        return false;
    if (command)
        *command = statLine.mid(open + 1, close - open - 1);
    if (parentPid)
        *parentPid = parent;
    return true;
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
        QByteArray name;
        qint64 parent = 0;
        if (!parseStatLine(readProcFile(pid, "stat"), &name, &parent) || parent != parentPid)
            continue;
        if (!command || name == *command)
            found << pid;
    }
    return found;
}

} // namespace

qint64 processStatusKb(qint64 pid, const QByteArray &field)
{
    return statusFieldKb(readProcFile(pid, "status"), field);
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

qint64 kbToMb(qint64 kb)
{
    if (kb < 0)
        return -1;
    return (kb + 512) / 1024;
}
