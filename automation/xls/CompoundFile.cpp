#include "CompoundFile.h"

#include "ReadFailure.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

Q_LOGGING_CATEGORY(compoundFileLog, "sheetsplicer.xls.file", QtWarningMsg)

constexpr qint64 kMaxStream = qint64(1) << 30;
constexpr qint64 kFirstBlock = 64 * 1024;

using readers::fail;

// What libgsf says of a damaged compound file goes to the category, not to stderr.
void logGsf(const gchar *domain, GLogLevelFlags, const gchar *message, gpointer)
{
    qCInfo(compoundFileLog) << domain << message;
}

void ensureGsf()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_MASK), logGsf, nullptr);
    });
}

struct Unref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
using InfilePtr = std::unique_ptr<GsfInfile, Unref>;
using InputPtr = std::unique_ptr<GsfInput, Unref>;

InfilePtr openCompoundFile(const QString &path, QString *error)
{
    ensureGsf();
    GError *gerror = nullptr;
    InputPtr input(gsf_input_stdio_new(QFile::encodeName(path).constData(), &gerror));
    InfilePtr root(input ? gsf_infile_msole_new(input.get(), &gerror) : nullptr);
    if (!root)
        fail(error, QStringLiteral("%1 is no compound file: %2").arg(path, gerror ? QString::fromUtf8(gerror->message) : QString()));
    if (gerror)
        g_error_free(gerror);
    return root;
}

bool isWorkbookName(const char *name, const char *wanted)
{
    return name && QString::fromUtf8(name).compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

// The name of the root's workbook stream as the file writes it; null when none.
QByteArray workbookStreamName(GsfInfile *root)
{
    const int count = gsf_infile_num_children(root);
    for (const char *wanted : {"Workbook", "Book"})
        for (int i = 0; i < count; ++i)
            if (isWorkbookName(gsf_infile_name_by_index(root, i), wanted))
                return QByteArray(gsf_infile_name_by_index(root, i));
    return QByteArray();
}

bool readAll(GsfInput *input, QByteArray *out)
{
    const qint64 size = gsf_input_size(input);
    if (size < 0 || size > kMaxStream)
        return false;
    out->resize(static_cast<int>(size));
    return size == 0 || gsf_input_read(input, static_cast<size_t>(size), reinterpret_cast<guint8 *>(out->data()));
}

bool writeAll(GsfOutput *output, const QByteArray &data)
{
    constexpr int chunk = 1 << 20;
    for (int offset = 0; offset < data.size(); offset += chunk)
        if (!gsf_output_write(output, static_cast<size_t>(qMin(chunk, data.size() - offset)),
                              reinterpret_cast<const guint8 *>(data.constData() + offset)))
            return false;
    return true;
}

// What the top of the new file takes from elsewhere: the workbook stream's
// new content, and one storage from another file.
struct Replacements {
    QByteArray streamName;
    const QByteArray *stream = nullptr;
    QByteArray storageName;
    GsfInfile *storageRoot = nullptr;
};

bool copyChildren(GsfInfile *from, GsfOutfile *to, const Replacements *top);

bool copyStorage(GsfInfile *from, GsfOutput *out)
{
    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(from), clsid))
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out), clsid);
    return copyChildren(from, GSF_OUTFILE(out), nullptr);
}

// Copies the children of `from` into `to`, storages with their class ids;
// at the top, `top` says what comes from elsewhere.
bool copyChildren(GsfInfile *from, GsfOutfile *to, const Replacements *top)
{
    const int count = gsf_infile_num_children(from);
    for (int i = 0; i < count; ++i) {
        const char *name = gsf_infile_name_by_index(from, i);
        InputPtr child(gsf_infile_child_by_index(from, i));
        if (!name || !child)
            return false;
        const bool storage = GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
        GsfOutput *out = gsf_outfile_new_child(to, name, storage);
        if (!out)
            return false;
        bool ok = true;
        InfilePtr other;
        if (storage && top && top->storageRoot && top->storageName == name)
            other.reset(GSF_INFILE(gsf_infile_child_by_name(top->storageRoot, name)));
        if (storage) {
            ok = copyStorage(other ? other.get() : GSF_INFILE(child.get()), out);
        } else if (top && top->stream && top->streamName == name) {
            ok = writeAll(out, *top->stream);
        } else {
            QByteArray bytes;
            ok = readAll(child.get(), &bytes) && writeAll(out, bytes);
        }
        ok = gsf_output_close(out) && ok;
        g_object_unref(out);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

namespace CompoundFile {

bool isCompoundFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8) == QByteArray::fromHex("d0cf11e0a1b11ae1");
}

bool readStream(const QString &path, const char *name, QByteArray *out, QString *error)
{
    InfilePtr root = openCompoundFile(path, error);
    if (!root)
        return false;
    InputPtr stream(gsf_infile_child_by_name(root.get(), name));
    if (!stream || !readAll(stream.get(), out))
        return fail(error, QStringLiteral("%1 holds no readable stream %2").arg(path, QLatin1String(name)));
    return true;
}

bool readWorkbookStream(const QString &path, QByteArray *out, QString *error)
{
    return readWorkbookStreamUntil(path, out, error, nullptr);
}

bool readWorkbookStreamUntil(const QString &path, QByteArray *out, QString *error,
                             const std::function<bool(const QByteArray &)> &enough)
{
    InfilePtr root = openCompoundFile(path, error);
    if (!root)
        return false;
    const QByteArray name = workbookStreamName(root.get());
    InputPtr stream(name.isNull() ? nullptr : gsf_infile_child_by_name(root.get(), name.constData()));
    if (!stream)
        return fail(error, QStringLiteral("%1 holds no workbook stream").arg(path));
    if (!enough) {
        if (!readAll(stream.get(), out))
            return fail(error, QStringLiteral("the workbook stream of %1 cannot be read").arg(path));
        return true;
    }
    // A first block, then larger ones until the caller has what it needs.
    const qint64 size = gsf_input_size(stream.get());
    if (size < 0 || size > kMaxStream)
        return fail(error, QStringLiteral("the workbook stream of %1 cannot be read").arg(path));
    out->clear();
    qint64 want = std::min<qint64>(size, kFirstBlock);
    while (true) {
        const qint64 have = out->size();
        out->resize(static_cast<int>(want));
        if (want > have
            && !gsf_input_read(stream.get(), static_cast<size_t>(want - have), reinterpret_cast<guint8 *>(out->data() + have)))
            return fail(error, QStringLiteral("the workbook stream of %1 ends early").arg(path));
        if (enough(*out) || want >= size)
            return true;
        want = std::min(size, want * 4);
    }
}

bool hasStorage(const QString &path, const char *storageName)
{
    InfilePtr root = openCompoundFile(path, nullptr);
    InputPtr child(root ? gsf_infile_child_by_name(root.get(), storageName) : nullptr);
    return child && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
}

bool replaceWorkbookStream(const QString &path, const QByteArray &stream, QString *error,
                           const QString &storageFrom, const char *storageName)
{
    InfilePtr root = openCompoundFile(path, error);
    if (!root)
        return false;
    const QByteArray name = workbookStreamName(root.get());
    if (name.isNull())
        return fail(error, QStringLiteral("%1 holds no workbook stream").arg(path));

    const QFileInfo info(path);
    QTemporaryFile next(info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1String(".XXXXXX"));
    if (!next.open())
        return fail(error, QStringLiteral("cannot write beside %1").arg(path));
    next.close();
    GError *gerror = nullptr;
    GsfOutput *file = gsf_output_stdio_new(QFile::encodeName(next.fileName()).constData(), &gerror);
    if (gerror)
        g_error_free(gerror);
    if (!file)
        return fail(error, QStringLiteral("cannot write %1").arg(next.fileName()));
    GsfOutfile *out = gsf_outfile_msole_new(file);
    g_object_unref(file);
    if (!out)
        return fail(error, QStringLiteral("cannot write %1").arg(next.fileName()));
    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(root.get()), clsid))
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out), clsid);
    InfilePtr otherRoot;
    if (storageName && !storageFrom.isEmpty() && hasStorage(storageFrom, storageName))
        otherRoot = openCompoundFile(storageFrom, nullptr);
    const Replacements top{name, &stream, QByteArray(storageName ? storageName : ""), otherRoot.get()};
    bool ok = copyChildren(root.get(), out, &top);
    ok = gsf_output_close(GSF_OUTPUT(out)) && ok;
    g_object_unref(out);
    root.reset();
    if (!ok)
        return fail(error, QStringLiteral("cannot copy the compound file %1").arg(path));
    QFile::setPermissions(next.fileName(), QFile::permissions(path));
    if (std::rename(QFile::encodeName(next.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return fail(error, QStringLiteral("cannot replace %1").arg(path));
    next.setAutoRemove(false);
    return true;
}

} // namespace CompoundFile
