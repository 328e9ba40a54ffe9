#include "SheetArea.h"

#include "CellReference.h"

QList<SheetArea> parseAreas(const QString &text)
{
    return parseA1Areas(text);
}

QString areasText(const QList<SheetArea> &areas, const QString &separator)
{
    QStringList parts;
    for (const SheetArea &a : areas) {
        const QString first = a1ColumnName(a.left) + QString::number(a.top);
        if (a.top == a.bottom && a.left == a.right)
            parts << first;
        else
            parts << first + ':' + a1ColumnName(a.right) + QString::number(a.bottom);
    }
    return parts.join(separator);
}
