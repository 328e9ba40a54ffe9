#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Memory figures from /proc.

// A "Name:   1234 kB" field of a /proc/<pid>/status text, in kB; -1 when
// the field is missing.
qint64 statusFieldKb(const QByteArray &statusText, const QByteArray &field);

// What a /proc/<pid>/stat line ("123 (soffice.bin) S 77 ...") tells: the
// command name (which may itself hold blanks or ")"), the parent, and the
// CPU time used so far (user + system, in clock ticks).
struct StatInfo
{
    QByteArray command;
    qint64 parentPid = 0;
    qint64 cpuTicks = -1;
};
bool parseStatLine(const QByteArray &statLine, StatInfo *info);
qint64 ticksToMs(qint64 ticks);

// A field of /proc/<pid>/status of a live process, in kB, or -1.
qint64 processStatusKb(qint64 pid, const QByteArray &field);

// CPU time of a live process in ms, or -1.
qint64 processCpuMs(qint64 pid);

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
qint64 ownCpuMs();    // user + system time of this process so far

// kB to MB, rounded, for the table; -1 stays -1.
qint64 kbToMb(qint64 kb);
