#include "SheetArea.h"

#include "CellArea.h"
#include "CellReference.h"

// Range texts are read by the formula library's parser; the backend keeps
// its own plain rectangle type.
QList<SheetArea> parseAreas(const QString &text)
{
    QList<SheetArea> areas;
    for (const CellArea &area : parseA1Areas(text))
        areas << SheetArea{area.top, area.left, area.bottom, area.right};
    return areas;
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
