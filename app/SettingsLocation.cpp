#include "SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char fileName[] = "Sheetsplicer.wqz";

// An installed program's folder belongs to the system, even where the system
// lets this user write to it (root, an administrator).
bool installedFolder(const QString &folder)
{
#if defined(Q_OS_WIN)
    const QString path = QDir::fromNativeSeparators(folder) + QLatin1Char('/');
    for (const char *variable : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}) {
        const QString programs = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!programs.isEmpty()
            && path.startsWith(programs + QLatin1Char('/'), Qt::CaseInsensitive))
            return true;
    }
    return false;
#elif defined(Q_OS_UNIX)
    return folder.startsWith(QLatin1String("/usr/"));
#else
    return false;
#endif
}

// Whether the settings file can be written there, tried rather than read off
// the folder's flags (Windows keeps who may write in access lists, which
// those flags do not show). A missing file is made empty, as the build does.
bool writableBeside(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadWrite);
}

} // namespace

QByteArray settingsFileLocation(const QByteArray &executableFolder)
{
    const QByteArray beside = executableFolder + fileName;
    const QFileInfo folder(QFile::decodeName(executableFolder.isEmpty() ? QByteArray(".") : executableFolder));
    if (!installedFolder(folder.absoluteFilePath()) && writableBeside(beside))
        return beside;

    // The user's own folder: %APPDATA%\Sheetsplicer on Windows,
    // ~/.config/Sheetsplicer elsewhere.
#ifdef Q_OS_WIN
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#else
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
    if (config.isEmpty() || !QDir().mkpath(config))
        return beside;
    const QString path = config + QLatin1Char('/') + QLatin1String(fileName);
    QFile settings(path);
    if (!settings.exists() && settings.open(QIODevice::WriteOnly))
        settings.close();
    return QFile::encodeName(path);
}
