#include "ProcessList.h"

#include <cstring>

#ifdef _WIN32

#include <windows.h>
#include <tlhelp32.h>

#include <string.h>

namespace {

// Calls `visit` with the local 8-bit image name and the id of every process
// of the snapshot until it returns true. -1 when the snapshot cannot be
// taken. (The wide-character entries are used explicitly, so that the code
// means the same with and without UNICODE defined.)
template<typename Visit>
int walkProcesses(Visit visit)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        char name[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, entry.szExeFile, -1, name, int(sizeof name) - 1, nullptr, nullptr);
        if (visit(static_cast<const char *>(name), entry.th32ProcessID))
            break;
    }
    CloseHandle(snapshot);
    return 0;
}

// Windows file names do not tell case apart.
bool sameImage(const char *a, const char *b)
{
    return _stricmp(a, b) == 0;
}

} // namespace

const char *programImageName()
{
    return "Sheetsplicer.exe";
}

int countProcesses(const char *imageName)
{
    if (!imageName)
        return 0;
    int count = 0;
    walkProcesses([&](const char *name, DWORD) {
        if (sameImage(name, imageName))
            ++count;
        return false;
    });
    return count;
}

int terminateFirstProcess(const char *imageName)
{
    if (!imageName)
        return 0;
    int found = 0;
    walkProcesses([&](const char *name, DWORD id) {
        if (!sameImage(name, imageName))
            return false;
        found = 1;
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
        return true;
    });
    return found;
}

#else

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <dirent.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// The ids of /proc's process folders, in increasing order; false when /proc
// cannot be read.
bool processIds(std::vector<pid_t> &ids)
{
    DIR *proc = opendir("/proc");
    if (!proc)
        return false;
    while (dirent *entry = readdir(proc)) {
        const char *name = entry->d_name;
        if (!*name || std::strspn(name, "0123456789") != std::strlen(name))
            continue;
        ids.push_back(pid_t(std::atol(name)));
    }
    closedir(proc);
    std::sort(ids.begin(), ids.end());
    return true;
}

// /proc/PID/stat is "pid (comm) state ...": the command name between the
// first "(" and the last ")", the state right after. Empty for a zombie or a
// process that is gone.
QByteArray statName(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray stat = file.read(1024);
    const int open = stat.indexOf('(');
    const int close = stat.lastIndexOf(')');
    if (open < 0 || close < open || close + 2 >= stat.size())
        return QByteArray();
    const char state = stat.at(close + 2);
    if (state == 'Z' || state == 'X' || state == 'x')
        return QByteArray();
    return stat.mid(open + 1, close - open - 1);
}

// The file name of the process's executable; empty when it cannot be told
// (the process is gone or a zombie).
QByteArray imageNameOf(pid_t pid)
{
    char buffer[4096];
    const QByteArray link = "/proc/" + QByteArray::number(qlonglong(pid)) + "/exe";
    const ssize_t length = readlink(link.constData(), buffer, sizeof buffer - 1);
    if (length <= 0)
        return statName(pid);
    QByteArray path(buffer, int(length));
    const QByteArray deleted(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    // A process that has ended but was not yet reaped is not counted.
    if (statName(pid).isEmpty())
        return QByteArray();
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace

const char *programImageName()
{
    return "Sheetsplicer";
}

int countProcesses(const char *imageName)
{
    if (!imageName)
        return 0;
    std::vector<pid_t> ids;
    if (!processIds(ids))
        return 0;
    int count = 0;
    for (pid_t pid : ids) {
        if (imageNameOf(pid) == imageName)
            ++count;
    }
    return count;
}

int terminateFirstProcess(const char *imageName)
{
    if (!imageName)
        return 0;
    std::vector<pid_t> ids;
    if (!processIds(ids))
        return 0;
    for (pid_t pid : ids) {
        if (imageNameOf(pid) == imageName) {
            kill(pid, SIGKILL);
            return 1;
        }
    }
    return 0;
}

#endif
