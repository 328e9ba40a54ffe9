#include "SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char fileName[] = "Sheetsplicer.wqz";

} // namespace

QByteArray settingsFileLocation(const QByteArray &executableFolder)
{
    const QByteArray beside = executableFolder + fileName;
    const QFileInfo file(QFile::decodeName(beside));
    const QFileInfo folder(QFile::decodeName(executableFolder.isEmpty() ? QByteArray(".") : executableFolder));
    // An installed program: its folder belongs to the system, even where the
    // system lets this user write to it (root).
    bool installed = false;
#ifdef Q_OS_UNIX
    installed = folder.absoluteFilePath().startsWith(QLatin1String("/usr/"));
#endif
    if (!installed && (file.exists() ? file.isWritable() : folder.isWritable()))
        return beside;

    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty() || !QDir().mkpath(config))
        return beside;
    const QString path = config + QLatin1Char('/') + QLatin1String(fileName);
    QFile settings(path);
    if (!settings.exists() && settings.open(QIODevice::WriteOnly))
        settings.close();
    return QFile::encodeName(path);
}
