#include "OutputTarget.h"

#include <QFileInfo>

QString outputPathFor(const QString &sourcePath, const QString &saveFolder)
{
    static const char *const endings[] = {".xlsx", ".xls", ".xlsm"};
    for (const char *ending : endings) {
        if (sourcePath.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return saveFolder + QLatin1Char('/') + QFileInfo(sourcePath).completeBaseName()
                + QLatin1String(ending);
    }
    return QString();
}
