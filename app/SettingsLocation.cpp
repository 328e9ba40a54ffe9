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
    if (file.exists() ? file.isWritable() : folder.isWritable())
        return beside;

    // An installed program: its folder belongs to the system.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty() || !QDir().mkpath(config))
        return beside;
    const QString path = config + QLatin1Char('/') + QLatin1String(fileName);
    QFile settings(path);
    if (!settings.exists() && settings.open(QIODevice::WriteOnly))
        settings.close();
    return QFile::encodeName(path);
}
