#include "SourceEncryption.h"

#include "CompoundFileReader.h"

#include <QtEndian>

bool isEncryptedWorkbook(const QString &path)
{
    CompoundFileReader file(path);
    if (!file.isCompoundFile())
        return false;
    if (!path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return true;
    QByteArray start = file.stream(QStringLiteral("Workbook"), 512);
    if (start.isEmpty())
        start = file.stream(QStringLiteral("Book"), 512);
    // BOF (0x0809), then the next record's type: FILEPASS (0x002F).
    if (start.size() < 8 || qFromLittleEndian<quint16>(start.constData()) != 0x0809)
        return false;
    const int next = 4 + qFromLittleEndian<quint16>(start.constData() + 2);
    return next + 2 <= start.size() && qFromLittleEndian<quint16>(start.constData() + next) == 0x002F;
}
