#include "SingleInstance.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// The user's own name for the files, so that two users never share a copy.
QString userTag()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("user") : user;
#endif
}

} // namespace

SingleInstance::SingleInstance(const QString &folder)
    : m_folder(folder)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultFolder()
{
    const QString chosen = qEnvironmentVariable("SHEETSPLICER_INSTANCE_DIR");
    return chosen.isEmpty() ? QDir::tempPath() : chosen;
}

QString SingleInstance::requestPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("sheetsplicer-%1.raise").arg(userTag()));
}

bool SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(QStringLiteral("sheetsplicer-%1.lock").arg(userTag())));
    // Never stale by age: a copy that runs a long job keeps its lock. One
    // whose process is gone is taken over.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        QFile request(requestPath());
        if (request.open(QIODevice::WriteOnly | QIODevice::Truncate))
            request.write(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8());
        return false;
    }
    QFile request(requestPath());
    if (request.open(QIODevice::WriteOnly | QIODevice::Truncate))
        request.close();
    m_watcher.addPath(requestPath());
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString &path) {
        // A file written anew may be a new file to the watcher.
        if (!m_watcher.files().contains(path) && QFile::exists(path))
            m_watcher.addPath(path);
        emit raiseRequested();
    });
    return true;
}
