#pragma once

#include <QString>

#include <memory>

class QTemporaryDir;

// A folder whose files appear all at once: written into a hidden folder
// beside the target, which takes the target's name only when every file is
// in it. Without publish(), the hidden folder goes with its files.
class StagingFolder
{
public:
    // For a folder named `name` (or `name (2)`, ... when taken) in `parent`.
    StagingFolder(const QString &parent, const QString &name);
    ~StagingFolder();
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;

    // Empty when the hidden folder could not be made.
    QString path() const;
    // Gives the folder its name, with the permissions a new folder gets;
    // returns where it now is, empty when it could not be renamed.
    QString publish();

    // Removes every hidden folder not yet published, for a program ended by
    // a signal. Safe from any thread.
    static void removeUnpublished();

private:
    QString m_parent;
    QString m_name;
    std::unique_ptr<QTemporaryDir> m_folder;
};
