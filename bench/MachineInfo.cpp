#include "MachineInfo.h"

#include "ChildRunner.h"
#include "ProcessMemory.h"

#include <QFile>
#include <QSysInfo>
#include <QThread>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString officeVersion()
{
    QByteArray output;
    QString error;
    if (!runTool(QStringLiteral(LO_PROGRAM_DIR "/soffice"), {QStringLiteral("--version")}, 60, output, error, false))
        return QStringLiteral("office version unknown");
    return QString::fromUtf8(output).trimmed();
}

} // namespace

QString cpuModelFrom(const QByteArray &cpuinfo)
{
    for (const QByteArray &line : cpuinfo.split('\n')) {
        if (!line.startsWith("model name"))
            continue;
        const int colon = line.indexOf(':');
        if (colon >= 0)
            return QString::fromUtf8(line.mid(colon + 1)).simplified();
    }
    return QString();
}

QString machineLine()
{
    QString cpu = cpuModelFrom(readFile(QStringLiteral("/proc/cpuinfo")));
    if (cpu.isEmpty())
        cpu = QSysInfo::currentCpuArchitecture();
    const qint64 memoryKb = statusFieldKb(readFile(QStringLiteral("/proc/meminfo")), "MemTotal");
    const QString memory = memoryKb > 0 ? QString::number(double(memoryKb) / 1024.0 / 1024.0, 'f', 1) + QStringLiteral(" GB RAM")
                                        : QStringLiteral("RAM unknown");
    return QStringLiteral("Machine: %1, %2 cores, %3, %4 %5, %6")
        .arg(cpu)
        .arg(QThread::idealThreadCount())
        .arg(memory, QSysInfo::kernelType(), QSysInfo::kernelVersion(), officeVersion());
}

QString loadAverage()
{
    const QByteArray text = readFile(QStringLiteral("/proc/loadavg")).trimmed();
    const QByteArray first = text.split(' ').value(0);
    return first.isEmpty() ? QStringLiteral("?") : QString::fromLatin1(first);
}
