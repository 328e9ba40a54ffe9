#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

struct zip;

namespace ooxml {

// A zip package opened for reading, and written anew with some of its entries replaced.
class ZipPackage
{
public:
    ZipPackage() = default;
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    bool open(const QString &path, QString *error);

    // Entry names are matched exactly first, then without regard to case
    // (package part names are case-insensitive).
    bool contains(const QString &name) const;
    bool read(const QString &name, QByteArray *out, QString *error) const;

    // Writes every entry, in the original order, to a new archive at `target`;
    // entries named in `replaced` get the new content (deflated), all others are
    // copied as they are stored, without recompression. Names the package does not
    // have are added after the others.
    bool saveAs(const QString &target, const QHash<QString, QByteArray> &replaced, QString *error) const;

    // Entries larger than this are not read into memory.
    static constexpr qint64 kMaxEntrySize = qint64(1) << 30;

private:
    qint64 locate(const QString &name) const;

    struct zip *m_archive = nullptr;
};

} // namespace ooxml
