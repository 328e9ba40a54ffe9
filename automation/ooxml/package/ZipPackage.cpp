#include "ZipPackage.h"

#include "ReadFailure.h"

#include "PackedParts.h"

#include <QFile>
#include <QMap>

#include <zip.h>

namespace ooxml {

namespace {

using readers::fail;

QString archiveError(zip_t *archive)
{
    return QString::fromLocal8Bit(zip_strerror(archive));
}

} // namespace

ZipPackage::~ZipPackage()
{
    if (m_archive)
        zip_discard(m_archive);
}

bool ZipPackage::open(const QString &path, QString *error)
{
    int code = 0;
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_archive) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, code);
        const QString reason = QString::fromLocal8Bit(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return fail(error, QStringLiteral("%1 is not a readable zip package: %2").arg(path, reason));
    }
    return true;
}

qint64 ZipPackage::locate(const QString &name) const
{
    if (!m_archive)
        return -1;
    const QByteArray utf8 = name.toUtf8();
    zip_int64_t index = zip_name_locate(m_archive, utf8.constData(), 0);
    if (index < 0)
        index = zip_name_locate(m_archive, utf8.constData(), ZIP_FL_NOCASE);
    return index;
}

bool ZipPackage::contains(const QString &name) const
{
    return locate(name) >= 0;
}

bool ZipPackage::read(const QString &name, QByteArray *out, QString *error) const
{
    const qint64 index = locate(name);
    if (index < 0)
        return fail(error, QStringLiteral("the package has no part %1").arg(name));
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_archive, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return fail(error, QStringLiteral("cannot read part %1: %2").arg(name, archiveError(m_archive)));
    if (st.size > static_cast<zip_uint64_t>(kMaxEntrySize))
        return fail(error, QStringLiteral("part %1 is too large").arg(name));
    zip_file_t *file = zip_fopen_index(m_archive, index, 0);
    if (!file)
        return fail(error, QStringLiteral("cannot open part %1: %2").arg(name, archiveError(m_archive)));
    QByteArray data(static_cast<int>(st.size), Qt::Uninitialized);
    zip_int64_t total = 0;
    while (total < data.size()) {
        const zip_int64_t n = zip_fread(file, data.data() + total, data.size() - total);
        if (n <= 0)
            break;
        total += n;
    }
    const bool complete = total == data.size();
    zip_fclose(file);
    if (!complete)
        return fail(error, QStringLiteral("part %1 is damaged").arg(name));
    *out = data;
    return true;
}

bool ZipPackage::saveAs(const QString &target, const QHash<QString, QByteArray> &replaced, QString *error) const
{
    if (!m_archive)
        return fail(error, QStringLiteral("no package is open"));
    int code = 0;
    zip_t *out = zip_open(QFile::encodeName(target).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!out)
        return fail(error, QStringLiteral("cannot create %1").arg(target));

    // Replacements are found by the index their part has in this archive;
    // parts it does not have come after all others, by name.
    QHash<qint64, const QByteArray *> byIndex;
    QMap<QString, const QByteArray *> added;
    for (auto it = replaced.cbegin(); it != replaced.cend(); ++it) {
        const qint64 index = locate(it.key());
        if (index < 0)
            added.insert(it.key(), &it.value());
        else
            byIndex.insert(index, &it.value());
    }

    // New contents are deflated first, side by side.
    QVector<const QByteArray *> contents;
    QHash<qint64, int> packedIndex;
    for (auto it = byIndex.cbegin(); it != byIndex.cend(); ++it) {
        packedIndex.insert(it.key(), contents.size());
        contents << it.value();
    }
    for (auto it = added.cbegin(); it != added.cend(); ++it)
        contents << it.value();
    std::vector<PackedPart> packed;
    if (!packParts(contents, &packed)) {
        zip_discard(out);
        return fail(error, QStringLiteral("cannot deflate the new parts"));
    }

    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(m_archive, i, ZIP_FL_ENC_RAW);
        zip_stat_t st;
        zip_stat_init(&st);
        if (!name || zip_stat_index(m_archive, i, 0, &st) != 0) {
            const QString reason = archiveError(m_archive);
            zip_discard(out);
            return fail(error, QStringLiteral("cannot read entry %1: %2").arg(i).arg(reason));
        }
        zip_source_t *source = nullptr;
        const QByteArray *content = byIndex.value(i, nullptr);
        if (content)
            source = packedSource(out, &packed[static_cast<size_t>(packedIndex.value(i))]);
        else
            source = zip_source_zip(out, m_archive, i, 0, 0, -1);
        const zip_int64_t added = source ? zip_file_add(out, name, source, ZIP_FL_ENC_RAW) : -1;
        if (added < 0) {
            const QString reason = archiveError(out);
            if (source)
                zip_source_free(source);
            zip_discard(out);
            return fail(error, QStringLiteral("cannot copy entry %1: %2").arg(QString::fromUtf8(name), reason));
        }
        if (content) {
            if (st.valid & ZIP_STAT_MTIME)
                zip_file_set_mtime(out, added, st.mtime, 0);
        }
    }
    int next = packedIndex.size();
    for (auto it = added.cbegin(); it != added.cend(); ++it) {
        zip_source_t *source = packedSource(out, &packed[static_cast<size_t>(next++)]);
        const QByteArray name = it.key().toUtf8();
        if (!source || zip_file_add(out, name.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            const QString reason = archiveError(out);
            if (source)
                zip_source_free(source);
            zip_discard(out);
            return fail(error, QStringLiteral("cannot add part %1: %2").arg(it.key(), reason));
        }
    }
    if (zip_close(out) != 0) {
        const QString reason = archiveError(out);
        zip_discard(out);
        return fail(error, QStringLiteral("cannot write %1: %2").arg(target, reason));
    }
    return true;
}

} // namespace ooxml
