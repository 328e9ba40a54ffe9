#include "SourceContent.h"

namespace {

const char zipSignature[] = "PK\x03\x04";
const char compoundSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

} // namespace

int sourceContentLength()
{
    return int(sizeof(compoundSignature)) - 1;
}

SourceContent sourceContent(const QByteArray &start, const QString &fileName)
{
    if (start.isEmpty())
        return SourceContent::Empty;
    const QString lower = fileName.toLower();
    if (!lower.endsWith(QLatin1String(".xlsx")) && !lower.endsWith(QLatin1String(".xlsm")))
        return SourceContent::MayBeWorkbook;
    // A package is a zip file; an encrypted one (or an .xls under this
    // name) a compound file, which the office tells apart itself.
    if (start.startsWith(QByteArray(zipSignature, 4)) || start.startsWith(QByteArray(compoundSignature, 8)))
        return SourceContent::MayBeWorkbook;
    return SourceContent::NotWorkbook;
}
