#include "SheetNames.h"

bool isAcceptableSheetName(const QString &name, const QStringList &otherNames)
{
    if (name.isEmpty() || name.size() > 31)
        return false;
    static const QString forbidden = QStringLiteral(":\\/?*[]");
    for (QChar c : name)
        if (forbidden.contains(c))
            return false;
    if (name.startsWith('\'') || name.endsWith('\''))
        return false;
    for (const QString &other : otherNames)
        if (other.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    return true;
}

QString copiedSheetName(const QString &source, const QStringList &existing)
{
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        const QString candidate = source.left(31 - suffix.size()) + suffix;
        bool taken = false;
        for (const QString &name : existing)
            if (name.compare(candidate, Qt::CaseInsensitive) == 0)
                taken = true;
        if (!taken)
            return candidate;
    }
}
