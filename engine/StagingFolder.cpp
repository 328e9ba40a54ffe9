#include "StagingFolder.h"

#include "CategoryFileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// The hidden folders of the jobs running now.
QMutex unpublishedMutex;
QSet<QString> unpublished;

void note(const QString &path, bool add)
{
    QMutexLocker lock(&unpublishedMutex);
    if (add)
        unpublished.insert(path);
    else
        unpublished.remove(path);
}

} // namespace

StagingFolder::StagingFolder(const QString &parent, const QString &name)
    : m_parent(parent)
    , m_name(name)
    , m_folder(std::make_unique<QTemporaryDir>(QDir(parent).filePath(QStringLiteral(".") + name + QStringLiteral(".part-XXXXXX"))))
{
    if (m_folder->isValid())
        note(m_folder->path(), true);
}

StagingFolder::~StagingFolder()
{
    if (m_folder->isValid())
        note(m_folder->path(), false);
}

void StagingFolder::removeUnpublished()
{
    QMutexLocker lock(&unpublishedMutex);
    for (const QString &path : qAsConst(unpublished))
        QDir(path).removeRecursively();
    unpublished.clear();
}

QString StagingFolder::path() const
{
    return m_folder->isValid() ? m_folder->path() : QString();
}

QString StagingFolder::publish()
{
    if (!m_folder->isValid())
        return QString();
    const QDir parent(m_parent);
    // A folder of that name may appear between the look and the rename.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QString name = freeFolderName(m_name, [&parent](const QString &n) { return parent.exists(n); });
        const QString target = parent.filePath(name);
        // Published under the lock: a signal's clean-up never removes it.
        QMutexLocker lock(&unpublishedMutex);
        if (!QDir().rename(m_folder->path(), target))
            continue;
        unpublished.remove(m_folder->path());
        m_folder->setAutoRemove(false);
#ifdef Q_OS_UNIX
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(target).constData(), 0777 & ~mask);
#endif
        return QDir::toNativeSeparators(target);
    }
    return QString();
}
