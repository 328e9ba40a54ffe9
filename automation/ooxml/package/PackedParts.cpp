#include "PackedParts.h"

#include "SideBySide.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace ooxml {

namespace {

bool deflatePart(const QByteArray &content, PackedPart *part)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    // Raw deflate (no zlib header), as zip entries hold it.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    part->deflated.resize(static_cast<int>(deflateBound(&stream, static_cast<uLong>(content.size()))));
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(content.constData()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef *>(part->deflated.data());
    stream.avail_out = static_cast<uInt>(part->deflated.size());
    const int result = deflate(&stream, Z_FINISH);
    const bool ok = result == Z_STREAM_END;
    part->deflated.resize(static_cast<int>(stream.total_out));
    deflateEnd(&stream);
    part->crc = static_cast<quint32>(
        crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(content.constData()), static_cast<uInt>(content.size())));
    part->size = static_cast<quint64>(content.size());
    return ok;
}

zip_int64_t servePacked(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *part = static_cast<PackedPart *>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        part->offset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const quint64 left = static_cast<quint64>(part->deflated.size()) - part->offset;
        const quint64 n = std::min<quint64>(left, length);
        std::memcpy(data, part->deflated.constData() + part->offset, n);
        part->offset += n;
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
        st->size = part->size;
        st->comp_size = static_cast<zip_uint64_t>(part->deflated.size());
        st->comp_method = ZIP_CM_DEFLATE;
        st->crc = part->crc;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&part->error, data, length);
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&part->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

bool packParts(const QVector<const QByteArray *> &contents, std::vector<PackedPart> *packed)
{
    packed->clear();
    packed->resize(static_cast<size_t>(contents.size()));
    for (PackedPart &part : *packed)
        zip_error_init(&part.error);
    // The largest first, so that no thread is left with one large part at the end.
    std::vector<int> order(static_cast<size_t>(contents.size()));
    for (int i = 0; i < contents.size(); ++i)
        order[static_cast<size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return contents.at(a)->size() > contents.at(b)->size(); });
    std::atomic<bool> ok{true};
    sideBySide(contents.size(), [&](int k) {
        const int i = order[static_cast<size_t>(k)];
        if (!deflatePart(*contents.at(i), &(*packed)[static_cast<size_t>(i)]))
            ok = false;
    });
    return ok;
}

zip_source_t *packedSource(zip_t *archive, PackedPart *part)
{
    return zip_source_function(archive, servePacked, part);
}

} // namespace ooxml
