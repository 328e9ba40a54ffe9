#include "SourceContent.h"

#include "CompoundFileReader.h"

namespace {

const QByteArray zipSignature("PK\x03\x04", 4);

} // namespace

int sourceContentLength()
{
    return int(CompoundFileReader::signature().size());
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
    if (start.startsWith(zipSignature) || start.startsWith(CompoundFileReader::signature()))
        return SourceContent::MayBeWorkbook;
    return SourceContent::NotWorkbook;
}
