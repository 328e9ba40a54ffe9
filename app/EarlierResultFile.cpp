#include "EarlierResultFile.h"

#include "CompoundFileReader.h"
#include "PropertySet.h"

#include <QFileInfo>
#include <QtGui/private/qzipreader_p.h>

std::optional<ResultMark> markInFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    CompoundFileReader compound(path);
    if (compound.isCompoundFile()) {
        // An encrypted .xlsx is a compound file too, and has no such stream.
        return readMark(userDefinedProperties(compound.stream(QStringLiteral("\x05""DocumentSummaryInformation"))));
    }
    QZipReader package(path);
    if (package.status() != QZipReader::NoError)
        return std::nullopt;
    return readMark(customXmlProperties(package.fileData(QStringLiteral("docProps/custom.xml"))));
}
