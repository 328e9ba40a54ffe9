#include "RowGrouping.h"

#include <QHash>

#include <algorithm>

RowGrouping RowGrouping::byKeys(int top, const QVector<QString> &keys)
{
    RowGrouping grouping;
    grouping.m_top = top;
    QHash<QString, int> groupOf;
    QVector<QVector<int>> groups;
    for (int i = 0; i < keys.size(); ++i) {
        auto found = groupOf.constFind(keys.at(i));
        if (found == groupOf.constEnd()) {
            found = groupOf.insert(keys.at(i), groups.size());
            groups.append(QVector<int>());
        }
        groups[found.value()].append(i);
    }
    grouping.m_rowAt.reserve(keys.size());
    for (const QVector<int> &group : groups)
        grouping.m_rowAt += group;
    grouping.m_positionOf.resize(keys.size());
    for (int position = 0; position < grouping.m_rowAt.size(); ++position)
        grouping.m_positionOf[grouping.m_rowAt.at(position)] = position;
    return grouping;
}

bool RowGrouping::isIdentity() const
{
    for (int position = 0; position < m_rowAt.size(); ++position)
        if (m_rowAt.at(position) != position)
            return false;
    return true;
}

std::optional<QList<SheetArea>> RowGrouping::rowsToDeleteInGrouped(const QList<SheetArea> &deleted) const
{
    const int count = size();
    QVector<bool> goes(count, false);
    QList<SheetArea> result;
    for (const SheetArea &a : deleted) {
        if (a.bottom < a.top)
            continue;
        // The parts above and below the block stay where they are.
        if (a.top < m_top)
            result << SheetArea{a.top, a.left, qMin(a.bottom, m_top - 1), a.right};
        if (a.bottom > bottom())
            result << SheetArea{qMax(a.top, bottom() + 1), a.left, a.bottom, a.right};
        for (int row = qMax(a.top, m_top); row <= qMin(a.bottom, bottom()); ++row)
            goes[row - m_top] = true;
    }
    // The kept rows must stand in their own order in the grouped copy; the
    // rows between them there go, a run at a time.
    QVector<bool> keptAt(count, false);
    int last = -1;
    for (int i = 0; i < count; ++i) {
        if (goes.at(i))
            continue;
        const int position = m_positionOf.at(i);
        if (position <= last)
            return std::nullopt;
        last = position;
        keptAt[position] = true;
    }
    const int left = deleted.isEmpty() ? 1 : deleted.first().left;
    const int right = deleted.isEmpty() ? 1 : deleted.first().right;
    int runs = 0;
    for (int position = 0; position < count;) {
        if (keptAt.at(position)) {
            ++position;
            continue;
        }
        const int first = position;
        while (position < count && !keptAt.at(position))
            ++position;
        if (++runs > kMaxRuns)
            return std::nullopt;
        result << SheetArea{m_top + first, left, m_top + position - 1, right};
    }
    std::sort(result.begin(), result.end(), [](const SheetArea &a, const SheetArea &b) { return a.top < b.top; });
    return result;
}
