#include "robust_Processes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ProcessStat
{
    QByteArray name;
    char state = '?';
    qint64 parent = 0;
};

bool readStat(const QString &pid, ProcessStat &stat)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = file.readAll();
    const int open = line.indexOf('(');
    const int close = line.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 2 || fields[0].isEmpty())
        return false;
    stat.name = line.mid(open + 1, close - open - 1);
    stat.state = fields[0][0];
    stat.parent = fields[1].toLongLong();
    return true;
}

int entriesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size();
}

} // namespace

QList<qint64> childOffices()
{
    QList<qint64> pids;
    const qint64 self = QCoreApplication::applicationPid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        ProcessStat stat;
        if (!numeric || !readStat(entry, stat))
            continue;
        if (stat.name == "soffice.bin" && stat.parent == self && stat.state != 'Z' && stat.state != 'X')
            pids << pid;
    }
    return pids;
}

void signalChildOffices(int signal)
{
    const QList<qint64> pids = childOffices();
    for (qint64 pid : pids) {
        if (signal == SIGKILL)
            ::kill(static_cast<pid_t>(pid), SIGCONT);
        ::kill(static_cast<pid_t>(pid), signal);
    }
    if (signal != SIGKILL)
        return;
    for (qint64 pid : pids) {
        for (int i = 0; i < 500; ++i) {
            const pid_t r = ::waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG);
            if (r != 0)
                break;
            QThread::msleep(20);
        }
    }
}

bool becomeSubreaper()
{
    return ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) == 0;
}

void reapOrphans()
{
    // Only re-parented offices: children a QProcess owns are its business.
    const qint64 self = QCoreApplication::applicationPid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        ProcessStat stat;
        if (readStat(entry, stat) && stat.parent == self && stat.state == 'Z' && stat.name == "soffice.bin")
            ::waitpid(static_cast<pid_t>(entry.toLongLong()), nullptr, WNOHANG);
    }
}

int threadCount()
{
    return entriesIn(QStringLiteral("/proc/self/task"));
}

int openDescriptors()
{
    return entriesIn(QStringLiteral("/proc/self/fd"));
}

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool dropFileOverrideOnThisThread()
{
    if (::geteuid() != 0)
        return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    data[0].effective &= ~(1u << CAP_DAC_READ_SEARCH);
    return ::syscall(SYS_capset, &header, data) == 0;
}
