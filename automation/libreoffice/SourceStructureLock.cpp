#include "SourceStructureLock.h"

#include "BiffRecords.h"
#include "PackageParts.h"
#include "XmlScan.h"
#include "ZipPackage.h"

#include <QFile>
#include <QLoggingCategory>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <mutex>

namespace {

Q_LOGGING_CATEGORY(sourceFileLog, "sheetsplicer.source", QtWarningMsg)

using namespace Biff;

// The globals come first in the stream and are seldom larger than this.
constexpr qint64 kFirstRead = 64 * 1024;
constexpr qint64 kMaxRead = qint64(1) << 28;

bool packageLocksStructure(const QString &path)
{
    ooxml::ZipPackage package;
    QString error;
    QString workbookPart;
    QByteArray workbookXml;
    if (!package.open(path, &error) || !ooxml::findWorkbookPart(package, &workbookPart, &error)
        || !package.read(workbookPart, &workbookXml, &error)) {
        qCInfo(sourceFileLog) << "structure protection not read:" << error;
        return false;
    }
    return workbookXmlLocksStructure(workbookXml);
}

// The workbook stream of a compound file: "Workbook" (BIFF8) or "Book" (BIFF5).
GsfInput *workbookStream(GsfInfile *root)
{
    const int count = gsf_infile_num_children(root);
    for (const char *wanted : {"Workbook", "Book"}) {
        for (int i = 0; i < count; ++i) {
            const char *name = gsf_infile_name_by_index(root, i);
            if (name && QString::fromUtf8(name).compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0)
                return gsf_infile_child_by_index(root, i);
        }
    }
    return nullptr;
}

// Reads as much of the stream as its globals need: a first block, then
// larger ones while the globals go on.
bool streamLocksStructure(GsfInput *stream)
{
    const qint64 size = std::min<qint64>(gsf_input_size(stream), kMaxRead);
    if (size <= 0)
        return false;
    QByteArray bytes;
    qint64 want = std::min(size, kFirstRead);
    while (true) {
        const qint64 have = bytes.size();
        bytes.resize(static_cast<int>(want));
        if (!gsf_input_read(stream, static_cast<size_t>(want - have), reinterpret_cast<guint8 *>(bytes.data() + have))) {
            qCInfo(sourceFileLog) << "the workbook stream ends early";
            return false;
        }
        const std::optional<bool> locked = biffGlobalsLockStructure(bytes);
        if (locked)
            return *locked;
        if (want >= size)
            return false;
        want = std::min(size, want * 4);
    }
}

// What libgsf says of a damaged compound file goes to the category, not to stderr.
void logGsf(const gchar *domain, GLogLevelFlags, const gchar *message, gpointer)
{
    qCInfo(sourceFileLog) << domain << message;
}

bool compoundFileLocksStructure(const QString &path)
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_MASK), logGsf, nullptr);
    });
    GError *error = nullptr;
    GsfInput *input = gsf_input_stdio_new(QFile::encodeName(path).constData(), &error);
    GsfInfile *root = input ? gsf_infile_msole_new(input, &error) : nullptr;
    bool locked = false;
    if (root) {
        if (GsfInput *stream = workbookStream(root)) {
            locked = streamLocksStructure(stream);
            g_object_unref(stream);
        } else {
            qCInfo(sourceFileLog) << path << "holds no workbook stream";
        }
        g_object_unref(root);
    } else {
        qCInfo(sourceFileLog) << "no structure protection read from" << path << ":"
                              << (error ? error->message : "not a compound file");
    }
    if (error)
        g_error_free(error);
    if (input)
        g_object_unref(input);
    return locked;
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
    if (magic == QByteArray::fromHex("d0cf11e0a1b11ae1"))
        return compoundFileLocksStructure(path);
    return false;
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
