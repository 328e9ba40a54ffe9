#include "lo_Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

bool makeWorkbook(const QString &kind, const QString &path, const QStringList &args)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(SHEETSPLICER_TEST_SUPPORT "/make_workbook.py"), kind, path} + args);
    return python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0
        && QFile::exists(path);
}

QByteArray packagePart(const QString &xlsxPath, const QString &part)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsxPath, part});
    if (!unzip.waitForFinished(30000))
        return {};
    return unzip.readAllStandardOutput();
}

int officeProcesses()
{
    int count = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        entry.toInt(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const int open = line.indexOf('(');
        const int close = line.lastIndexOf(')');
        if (open < 0 || close < open || line.mid(open + 1, close - open - 1) != "soffice.bin")
            continue;
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == QCoreApplication::applicationPid())
            ++count;
    }
    return count;
}
