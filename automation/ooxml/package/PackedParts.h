#pragma once

#include <QByteArray>
#include <QVector>

#include <zip.h>

#include <vector>

namespace ooxml {

// A part's content deflated before the archive is written, so that several
// parts are packed at once, one on each core.
struct PackedPart
{
    QByteArray deflated; // raw deflate data, as a zip entry stores it
    quint32 crc = 0;
    quint64 size = 0;
    zip_error_t error;
    quint64 offset = 0;
};

// Every content deflated at the office's own level; false when zlib fails.
bool packParts(const QVector<const QByteArray *> &contents, std::vector<PackedPart> *packed);

// A source that hands `part` to libzip as data already deflated. The part
// must outlive the archive's zip_close.
zip_source_t *packedSource(zip_t *archive, PackedPart *part);

} // namespace ooxml
