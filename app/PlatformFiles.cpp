#include "PlatformFiles.h"

#include <algorithm>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool isPathSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

QByteArray appDirectory(const QByteArray &executablePath)
{
    for (int i = executablePath.size() - 1; i >= 0; --i) {
        if (isPathSeparator(executablePath.at(i)))
            return executablePath.left(i + 1);
    }
    return QByteArray();
}

#ifdef _WIN32

namespace {

bool findFirst(const QByteArray &path, WIN32_FIND_DATAA *data)
{
    HANDLE handle = FindFirstFileA(path.constData(), data);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    FindClose(handle);
    return true;
}

} // namespace

bool fileExists(const QByteArray &path)
{
    if (path.isEmpty())
        return false;
    WIN32_FIND_DATAA data;
    return findFirst(path, &data);
}

bool directoryExists(const QByteArray &path)
{
    QByteArray copy = path;
    if (!copy.isEmpty() && isPathSeparator(copy.at(copy.size() - 1)))
        copy.chop(1);
    if (copy.isEmpty())
        return false;
    WIN32_FIND_DATAA data;
    return findFirst(copy, &data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// As on Linux: an absolute argument as it is, otherwise (a bare name when
// the program was started from a command prompt in its own folder) the
// running executable's full path.
QByteArray executablePath(const char *argv0)
{
    const QByteArray given(argv0 ? argv0 : "");
    const bool absolute = (given.size() > 2 && given.at(1) == ':' && isPathSeparator(given.at(2)))
        || given.startsWith("\\\\");
    if (absolute)
        return given;
    char buffer[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, DWORD(sizeof buffer));
    if (length == 0 || length >= DWORD(sizeof buffer))
        return given;
    return QByteArray(buffer, int(length));
}

#else

namespace {

bool hasWildcard(const QByteArray &text)
{
    return text.contains('*') || text.contains('?');
}

// "*" any run of characters, "?" any one character; everything else literal.
bool wildcardMatch(const char *pattern, const char *name)
{
    const char *starPattern = nullptr;
    const char *starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool matchesEntry(const QByteArray &pattern, const QByteArray &name)
{
    // As on Windows, "*.*" matches every name, with or without a dot.
    if (pattern == "*.*")
        return true;
    return wildcardMatch(pattern.constData(), name.constData());
}

// The entries of the path's folder that match its last component, in name
// order, as full paths; the path itself when it holds no wildcard and names
// an entry. Empty when nothing is found.
std::vector<QByteArray> lookUp(const QByteArray &path)
{
    std::vector<QByteArray> found;
    if (path.isEmpty() || isPathSeparator(path.at(path.size() - 1)))
        return found;
    const QByteArray folder = appDirectory(path);
    const QByteArray pattern = path.mid(folder.size());
    if (!hasWildcard(pattern)) {
        if (hasWildcard(folder))
            return found;
        struct stat info;
        if (lstat(path.constData(), &info) == 0)
            found.push_back(path);
        return found;
    }
    if (hasWildcard(folder))
        return found;
    DIR *dir = opendir(folder.isEmpty() ? "." : folder.constData());
    if (!dir)
        return found;
    while (dirent *entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (matchesEntry(pattern, name))
            found.push_back(folder + name);
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

bool fileExists(const QByteArray &path)
{
    return !lookUp(path).empty();
}

bool directoryExists(const QByteArray &path)
{
    QByteArray copy = path;
    if (copy.size() > 1 && isPathSeparator(copy.at(copy.size() - 1)))
        copy.chop(1);
    if (copy == "/") {
        struct stat info;
        return stat("/", &info) == 0 && S_ISDIR(info.st_mode);
    }
    const std::vector<QByteArray> found = lookUp(copy);
    if (found.empty())
        return false;
    struct stat info;
    return stat(found.front().constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QByteArray executablePath(const char *argv0)
{
    const QByteArray given(argv0 ? argv0 : "");
    if (given.startsWith('/'))
        return given;
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return given;
    QByteArray resolved(buffer, int(length));
    // An executable replaced on disk while it runs is reported with this mark.
    const QByteArray deleted(" (deleted)");
    if (resolved.endsWith(deleted))
        resolved.chop(deleted.size());
    return resolved;
}

#endif
