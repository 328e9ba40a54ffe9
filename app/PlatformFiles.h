#pragma once

#include <QByteArray>

// The program's file and path helpers: plain functions over
// local 8-bit byte strings, with the meaning of the Win32 find-first-file
// lookup that the program was built on.

// True when `path` names an entry of any kind (a file or a folder, a dangling
// symbolic link included). The last path component may hold the wildcards
// "*" and "?"; the path then passes when the pattern matches an entry of its
// folder ("." and ".." included). Wildcards in other components, a trailing
// separator and the empty path fail, as with FindFirstFileA.
bool fileExists(const QByteArray &path);

// True when `path`, with one trailing separator removed, names a folder (a
// symbolic link to a folder counts). With wildcards in the last component the
// first matching entry, in name order, decides.
bool directoryExists(const QByteArray &path);

// `executablePath` up to and including its last path separator of the
// platform ("/" on Linux; "\" or "/" on Windows); empty when it has none.
QByteArray appDirectory(const QByteArray &executablePath);

// The path of the running program's executable, from the first command-line
// argument: used as it is when it is an absolute path. A relative path or a
// bare name (a program found through PATH, as a desktop launcher starts it)
// is replaced by the path the system reports for the running executable, so
// that the settings file is still found beside it; the argument is used
// unchanged when the system reports nothing.
QByteArray executablePath(const char *argv0);

// The separator test of the platform.
bool isPathSeparator(char c);
