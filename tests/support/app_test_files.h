#pragma once

// Small file helpers shared by the desktop-side tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace AppTestFiles {

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

// The folders both platforms' helper tests look into: "out", and "data"
// holding "report.xlsx".
inline bool makeSampleFolders(const QString &root)
{
    QDir dir(root);
    return dir.mkpath(QStringLiteral("out")) && dir.mkpath(QStringLiteral("data"))
        && writeBytes(dir.filePath(QStringLiteral("data/report.xlsx")), "x");
}

} // namespace AppTestFiles
