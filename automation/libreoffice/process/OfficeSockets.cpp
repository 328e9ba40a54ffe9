#include "OfficeSockets.h"

#include <QCryptographicHash>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace OfficeSockets {

QString profilePipeName(const QString &profileUrl)
{
    // MD5 of the URL's UTF-16 code units, each byte in hex without padding.
    QByteArray units;
    units.reserve(profileUrl.size() * 2);
    for (const QChar c : profileUrl) {
        units.append(static_cast<char>(c.unicode() & 0xff));
        units.append(static_cast<char>(c.unicode() >> 8));
    }
    QString hash;
    for (const char byte : QCryptographicHash::hash(units, QCryptographicHash::Md5))
        hash += QString::number(static_cast<uchar>(byte), 16);
    return QStringLiteral("SingleOfficeIPC_") + hash;
}

QStringList socketPaths(const QString &name)
{
    const QString file = QStringLiteral("OSL_PIPE_%1_%2").arg(::geteuid()).arg(name);
    return {QStringLiteral("/tmp/") + file, QStringLiteral("/var/tmp/") + file};
}

void remove(const QStringList &names)
{
    for (const QString &name : names) {
        for (const QString &path : socketPaths(name)) {
            const QByteArray local = QFile::encodeName(path);
            struct stat st;
            if (::lstat(local.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid())
                ::unlink(local.constData());
        }
    }
}

} // namespace OfficeSockets
