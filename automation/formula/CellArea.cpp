#include "CellArea.h"

#include "CellReference.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

std::optional<CellArea> parseArea(const QString &text)
{
    const QStringList corners = text.trimmed().split(QLatin1Char(':'));
    if (corners.size() > 2)
        return std::nullopt;
    const std::optional<ReferencePart> first = parseA1Part(corners.first());
    const std::optional<ReferencePart> last = parseA1Part(corners.last());
    if (!first || !last || first->shape != last->shape)
        return std::nullopt;

    CellArea area;
    switch (first->shape) {
    case ReferencePart::Cell:
        area = {first->row.value, first->column.value, last->row.value, last->column.value};
        break;
    case ReferencePart::WholeColumn:
        if (corners.size() != 2)
            return std::nullopt; // "B" alone is a name, not a column
        area = {1, first->column.value, kSheetRows, last->column.value};
        break;
    case ReferencePart::WholeRow:
        if (corners.size() != 2)
            return std::nullopt;
        area = {first->row.value, 1, last->row.value, kSheetColumns};
        break;
    }
    if (area.top > area.bottom)
        std::swap(area.top, area.bottom);
    if (area.left > area.right)
        std::swap(area.left, area.right);
    return area;
}

bool liesOnSheet(const CellArea &area)
{
    return area.top >= 1 && area.top <= area.bottom && area.bottom <= kSheetRows
        && area.left >= 1 && area.left <= area.right && area.right <= kSheetColumns;
}

} // namespace

QList<CellArea> parseA1Areas(const QString &text)
{
    QList<CellArea> areas;
    if (text.trimmed().isEmpty())
        return areas;
    for (const QString &piece : text.split(QLatin1Char(','))) {
        const std::optional<CellArea> area = parseArea(piece);
        if (!area)
            return {};
        areas.append(*area);
    }
    return areas;
}

bool isValidA1Range(const QString &text)
{
    return !parseA1Areas(text).isEmpty();
}

QString a1AreaText(const CellArea &area)
{
    if (!liesOnSheet(area))
        return QString();
    if (area.left == 1 && area.right == kSheetColumns)
        return QString::number(area.top) + QLatin1Char(':') + QString::number(area.bottom);
    if (area.top == 1 && area.bottom == kSheetRows)
        return a1ColumnName(area.left) + QLatin1Char(':') + a1ColumnName(area.right);
    const QString first = a1ColumnName(area.left) + QString::number(area.top);
    if (area.top == area.bottom && area.left == area.right)
        return first;
    return first + QLatin1Char(':') + a1ColumnName(area.right) + QString::number(area.bottom);
}
