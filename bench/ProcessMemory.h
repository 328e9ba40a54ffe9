#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Memory figures from /proc.

// A "Name:   1234 kB" field of a /proc/<pid>/status text, in kB; -1 when
// the field is missing.
qint64 statusFieldKb(const QByteArray &statusText, const QByteArray &field);

// The command name and parent of a /proc/<pid>/stat line
// ("123 (soffice.bin) S 77 ..."); the name may itself hold blanks or ")".
bool parseStatLine(const QByteArray &statLine, QByteArray *command, qint64 *parentPid);

// A field of /proc/<pid>/status of a live process, in kB, or -1.
qint64 processStatusKb(qint64 pid, const QByteArray &field);

// The processes whose parent is `parentPid` and whose command name is
// `command` (as the kernel shows it, at most 15 characters).
QList<qint64> childProcesses(qint64 parentPid, const QByteArray &command);
// Every child of `parentPid`, whatever its name.
QList<qint64> childProcesses(qint64 parentPid);

// Sets this process's peak resident size back to its current size, so that
// VmHWM measures from now. False where the kernel does not allow it.
bool resetOwnPeak();

qint64 ownPeakKb();   // VmHWM of this process
qint64 ownRssKb();    // VmRSS of this process

// kB to MB, rounded, for the table; -1 stays -1.
qint64 kbToMb(qint64 kb);
