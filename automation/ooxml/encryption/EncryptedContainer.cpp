#include "EncryptedContainer.h"

#include "ReadFailure.h"

#include "AgileEncryption.h"
#include "CryptoPrimitives.h"
#include "PasswordHash.h"

#include <QFile>

#include <gsf/gsf-infile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-utils.h>

#include <mutex>

namespace ooxml {

namespace {

using crypto::le32;

// A length-prefixed UTF-16 string padded to a multiple of four bytes.
QByteArray unicodeLp4(const QString &text)
{
    QByteArray data = utf16le(text);
    QByteArray out = le32(static_cast<quint32>(data.size())) + data;
    while (out.size() % 4)
        out.append('\0');
    return out;
}

QByteArray versions()
{
    // Reader, updater and writer version, each 1.0.
    QByteArray out;
    for (int i = 0; i < 3; ++i)
        out.append("\x01\x00\x00\x00", 4);
    return out;
}

void ensureGsf()
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

using readers::fail;

bool writeStream(GsfOutfile *parent, const char *name, const QByteArray &data)
{
    GsfOutput *child = gsf_outfile_new_child(parent, name, FALSE);
    if (!child)
        return false;
    bool ok = true;
    // gsf_output_write takes at most what fits a size_t; write in large chunks anyway.
    constexpr int chunk = 1 << 20;
    for (int offset = 0; ok && offset < data.size(); offset += chunk) {
        const int n = qMin(chunk, data.size() - offset);
        ok = gsf_output_write(child, static_cast<size_t>(n),
                              reinterpret_cast<const guint8 *>(data.constData() + offset));
    }
    ok = gsf_output_close(child) && ok;
    g_object_unref(child);
    return ok;
}

GsfOutfile *newStorage(GsfOutfile *parent, const char *name)
{
    return GSF_OUTFILE(gsf_outfile_new_child(parent, name, TRUE));
}

bool closeStorage(GsfOutfile *storage, bool ok)
{
    ok = gsf_output_close(GSF_OUTPUT(storage)) && ok;
    g_object_unref(storage);
    return ok;
}

bool writeDataSpaces(GsfOutfile *root)
{
    GsfOutfile *spaces = newStorage(root, "\x06" "DataSpaces");
    if (!spaces)
        return false;
    bool ok = writeStream(spaces, "Version", dataSpaceVersionStream());
    ok = ok && writeStream(spaces, "DataSpaceMap", dataSpaceMapStream());
    if (GsfOutfile *info = ok ? newStorage(spaces, "DataSpaceInfo") : nullptr) {
        ok = closeStorage(info, writeStream(info, "StrongEncryptionDataSpace", strongEncryptionDataSpaceStream()));
    } else {
        ok = false;
    }
    if (GsfOutfile *transforms = ok ? newStorage(spaces, "TransformInfo") : nullptr) {
        bool inner = false;
        if (GsfOutfile *strong = newStorage(transforms, "StrongEncryptionTransform"))
            inner = closeStorage(strong, writeStream(strong, "\x06" "Primary", primaryTransformStream()));
        ok = closeStorage(transforms, inner);
    } else {
        ok = false;
    }
    return closeStorage(spaces, ok);
}

} // namespace

QByteArray dataSpaceVersionStream()
{
    return unicodeLp4(QStringLiteral("Microsoft.Container.DataSpaces")) + versions();
}

QByteArray dataSpaceMapStream()
{
    QByteArray entry = le32(1)                                       // one reference component
                       + le32(0)                                     // ... which is a stream
                       + unicodeLp4(QStringLiteral("EncryptedPackage"))
                       + unicodeLp4(QStringLiteral("StrongEncryptionDataSpace"));
    entry.prepend(le32(static_cast<quint32>(entry.size() + 4)));
    return le32(8) + le32(1) + entry;                                // header length, entry count
}

QByteArray strongEncryptionDataSpaceStream()
{
    return le32(8) + le32(1) + unicodeLp4(QStringLiteral("StrongEncryptionTransform"));
}

QByteArray primaryTransformStream()
{
    const QByteArray id = unicodeLp4(QStringLiteral("{FF9A3F03-56EF-4613-BDD5-5A41C1D07246}"));
    QByteArray out = le32(static_cast<quint32>(8 + id.size()))     // bytes before the transform name
                     + le32(1)                                       // transform type
                     + id
                     + unicodeLp4(QStringLiteral("Microsoft.Container.EncryptionTransform"))
                     + versions();
    out += le32(0);   // encryption name: empty
    out += le32(0);   // block size
    out += le32(0);   // cipher mode
    out += le32(4);   // reserved
    return out;
}

bool writeEncryptedContainer(const QString &path, const EncryptedStreams &streams, QString *error)
{
    ensureGsf();
    GError *gerror = nullptr;
    GsfOutput *file = gsf_output_stdio_new(QFile::encodeName(path).constData(), &gerror);
    if (!file) {
        const QString reason = gerror ? QString::fromUtf8(gerror->message) : QString();
        if (gerror)
            g_error_free(gerror);
        return fail(error, QStringLiteral("cannot create %1: %2").arg(path, reason));
    }
    GsfOutfile *root = gsf_outfile_msole_new(file);
    g_object_unref(file);
    if (!root)
        return fail(error, QStringLiteral("cannot create the compound file %1").arg(path));

    bool ok = writeDataSpaces(root);
    ok = ok && writeStream(root, "EncryptionInfo", streams.encryptionInfo);
    ok = ok && writeStream(root, "EncryptedPackage", streams.encryptedPackage);
    ok = gsf_output_close(GSF_OUTPUT(root)) && ok;
    g_object_unref(root);
    if (!ok)
        return fail(error, QStringLiteral("cannot write the compound file %1").arg(path));
    return true;
}

} // namespace ooxml
