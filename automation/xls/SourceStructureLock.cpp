#include "SourceStructureLock.h"

#include "BiffRecords.h"
#include "CompoundFile.h"
#include "PackageParts.h"
#include "PasswordHash.h"
#include "XmlScan.h"
#include "ZipPackage.h"

#include <QFile>
#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(sourceFileLog, "sheetsplicer.source", QtWarningMsg)

namespace {

using namespace Biff;

// The workbook part of the package at `path`; false, with the reason
// logged, when it cannot be read.
bool readWorkbookXml(const QString &path, QByteArray *workbookXml)
{
    ooxml::ZipPackage package;
    QString error;
    QString workbookPart;
    if (!package.open(path, &error) || !ooxml::findWorkbookPart(package, &workbookPart, &error)
        || !package.read(workbookPart, workbookXml, &error)) {
        qCInfo(sourceFileLog) << "structure protection not read:" << error;
        return false;
    }
    return true;
}

bool packageLocksStructure(const QString &path)
{
    QByteArray workbookXml;
    return readWorkbookXml(path, &workbookXml) && workbookXmlLocksStructure(workbookXml);
}

bool compoundFileLocksStructure(const QString &path)
{
    std::optional<bool> locked;
    QByteArray start;
    QString error;
    const bool read = CompoundFile::readWorkbookStreamUntil(path, &start, &error, [&locked](const QByteArray &bytes) {
        locked = biffGlobalsLockStructure(bytes);
        return locked.has_value();
    });
    if (!read)
        qCInfo(sourceFileLog) << "no structure protection read:" << error;
    return read && locked.value_or(false);
}

} // namespace

bool fileLocksStructure(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCInfo(sourceFileLog) << "cannot read" << path << ":" << file.errorString();
        return false;
    }
    const QByteArray magic = file.read(8);
    file.close();
    if (magic.startsWith("PK"))
        return packageLocksStructure(path);
    if (CompoundFile::isCompoundFile(path))
        return compoundFileLocksStructure(path);
    return false;
}

bool passwordOpensFileStructure(const QString &path, const QString &password)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.read(2).startsWith("PK"))
        return true;
    file.close();
    QByteArray workbookXml;
    return readWorkbookXml(path, &workbookXml) && passwordOpensWorkbookXml(workbookXml, password);
}

bool passwordOpensWorkbookXml(const QByteArray &workbookXml, const QString &password)
{
    namespace xml = ooxml::xml;
    xml::Element root;
    QList<xml::Element> kids;
    if (!xml::findRoot(workbookXml, &root, nullptr) || !xml::children(workbookXml, root, &kids, nullptr))
        return false;
    for (const xml::Element &child : kids) {
        if (child.prefix() != root.prefix() || child.localName() != "workbookProtection")
            continue;
        ooxml::ProtectionHash hash;
        hash.algorithmName = xml::attribute(workbookXml, child, "workbookAlgorithmName");
        hash.hashValue = xml::attribute(workbookXml, child, "workbookHashValue");
        hash.saltValue = xml::attribute(workbookXml, child, "workbookSaltValue");
        hash.spinCount = xml::attribute(workbookXml, child, "workbookSpinCount").toInt();
        if (!hash.hashValue.isEmpty())
            return ooxml::verifyProtectionHash(password, hash);
        const QString legacy = xml::attribute(workbookXml, child, "workbookPassword").trimmed();
        if (!legacy.isEmpty())
            return legacy.compare(legacyPasswordHash(password), Qt::CaseInsensitive) == 0;
        return true;
    }
    return true;
}

QString legacyPasswordHash(const QString &password)
{
    const QByteArray bytes = password.left(15).toLatin1();
    quint16 hash = 0;
    for (int i = bytes.size() - 1; i >= 0; --i) {
        hash = static_cast<quint16>(((hash >> 14) & 0x01) | ((hash << 1) & 0x7fff));
        hash ^= static_cast<quint8>(bytes.at(i));
    }
    hash = static_cast<quint16>(((hash >> 14) & 0x01) | ((hash << 1) & 0x7fff));
    hash ^= static_cast<quint16>(bytes.size());
    hash ^= 0xCE4B;
    return QStringLiteral("%1").arg(hash, 4, 16, QLatin1Char('0')).toUpper();
}

bool workbookXmlLocksStructure(const QByteArray &workbookXml)
{
    namespace xml = ooxml::xml;
    QString error;
    xml::Element root;
    QList<xml::Element> kids;
    if (!xml::findRoot(workbookXml, &root, &error) || !xml::children(workbookXml, root, &kids, &error)) {
        qCInfo(sourceFileLog) << "unreadable workbook part:" << error;
        return false;
    }
    for (const xml::Element &child : kids) {
        if (child.prefix() != root.prefix() || child.localName() != "workbookProtection")
            continue;
        const QString lock = xml::attribute(workbookXml, child, "lockStructure").trimmed();
        return lock == QLatin1String("1") || lock == QLatin1String("true");
    }
    return false;
}

std::optional<bool> biffGlobalsLockStructure(const QByteArray &stream)
{
    int at = 0;
    bool first = true;
    while (at + 4 <= stream.size()) {
        const quint16 type = u16(stream, at);
        const int length = u16(stream, at + 2);
        if (first && type != kBof)
            return false;
        first = false;
        if (type == kEof || type == kFilePass)
            return false; // past the globals, or their values are encrypted
        if (at + 4 + length > stream.size())
            break;
        if (type == kProtect && length >= 2 && u16(stream, at + 4) != 0)
            return true;
        at += 4 + length;
    }
    return std::nullopt;
}
