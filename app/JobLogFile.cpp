#include "JobLogFile.h"

#include "JobLog.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr qint64 kMaxLogBytes = 1 << 20;
}

QString jobLogPath(const QByteArray &settingsFilePath)
{
    return QFileInfo(QFile::decodeName(settingsFilePath)).absolutePath() + QLatin1String("/Sheetsplicer.log");
}

void appendJobLog(const QByteArray &settingsFilePath, const QString &sourcePath, const QString &lastText)
{
    QFile log(jobLogPath(settingsFilePath));
    const QIODevice::OpenMode mode = log.size() > kMaxLogBytes ? QIODevice::WriteOnly | QIODevice::Truncate
                                                                : QIODevice::Append;
    if (log.open(mode | QIODevice::Text))
        log.write(JobLog::entry(sourcePath, lastText, JobLog::lines()).toUtf8());
}
