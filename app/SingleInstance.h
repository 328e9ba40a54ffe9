#pragma once

#include <QFileSystemWatcher>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// One running copy of the program per user. The running copy holds a lock
// file; a later start finds it held, asks the running copy to come to the
// front by touching a request file beside it, and ends. A running copy is
// never ended by a later start, whatever it is doing. A lock left by a copy
// that died is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // The lock and request files in `folder`: by default the temporary
    // folder, or SHEETSPLICER_INSTANCE_DIR when set.
    explicit SingleInstance(const QString &folder = defaultFolder());
    ~SingleInstance() override;

    // True when this is the one copy: it holds the lock and watches for
    // later starts. False when another copy runs; that copy has been asked
    // to come to the front.
    bool claim();

    static QString defaultFolder();

signals:
    // A later start asked for the window.
    void raiseRequested();

private:
    QString requestPath() const;

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QFileSystemWatcher m_watcher;
};
