#include "JobSettings.h"

JobSettings &JobSettings::current()
{
    static JobSettings settings;
    return settings;
}

QString normalizedEditRange(const QString &typed)
{
    QString range = typed.trimmed();
    range.replace(QString::fromUtf8("："), QStringLiteral(":"));
    return range;
}
