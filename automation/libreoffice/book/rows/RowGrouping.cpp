#include "RowGrouping.h"

#include <QHash>

#include <algorithm>
#include <cstdlib>

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
    for (const QVector<int> &group : groups) {
        grouping.m_groupStarts << grouping.m_rowAt.size();
        grouping.m_rowAt += group;
    }
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

std::optional<RowGrouping::KeptRows> RowGrouping::keptRows(const QList<SheetArea> &deleted) const
{
    const int count = size();
    KeptRows kept;
    if (!deleted.isEmpty()) {
        kept.left = deleted.first().left;
        kept.right = deleted.first().right;
    }
    QVector<bool> goes(count, false);
    for (const SheetArea &a : deleted) {
        if (a.bottom < a.top)
            continue;
        if (a.top < m_top)
            kept.above << SheetArea{a.top, a.left, qMin(a.bottom, m_top - 1), a.right};
        if (a.bottom > bottom())
            kept.below << SheetArea{qMax(a.top, bottom() + 1), a.left, a.bottom, a.right};
        for (int row = qMax(a.top, m_top); row <= qMin(a.bottom, bottom()); ++row)
            goes[row - m_top] = true;
    }
    for (int i = 0; i < count; ++i) {
        if (goes.at(i))
            continue;
        const int position = m_positionOf.at(i);
        if (!kept.positions.isEmpty() && position <= kept.positions.last())
            return std::nullopt;
        kept.positions << position;
    }
    return kept;
}

std::optional<QList<SheetArea>> RowGrouping::rowsToDeleteInPart(const KeptRows &kept, int from, int to) const
{
    if (from < 0 || to > size() || to < from)
        return std::nullopt;
    if (!kept.positions.isEmpty() && (kept.positions.first() < from || kept.positions.last() >= to))
        return std::nullopt;
    QList<SheetArea> result = kept.above;
    // The part's block is shorter than the original's by the rows it lacks.
    const int missing = size() - (to - from);
    for (const SheetArea &a : kept.below)
        result << SheetArea{a.top - missing, a.left, a.bottom - missing, a.right};
    int runs = 0;
    int next = from; // the first position not yet accounted for
    auto deleteUpTo = [&](int end) {
        if (end <= next)
            return true;
        if (++runs > kMaxRuns)
            return false;
        result << SheetArea{m_top + next - from, kept.left, m_top + end - 1 - from, kept.right};
        return true;
    };
    for (int position : kept.positions) {
        if (!deleteUpTo(position))
            return std::nullopt;
        next = position + 1;
    }
    if (!deleteUpTo(to))
        return std::nullopt;
    std::sort(result.begin(), result.end(), [](const SheetArea &a, const SheetArea &b) { return a.top < b.top; });
    return result;
}

int RowGrouping::splitPoint(int from, int to, int first, int last) const
{
    const int middle = from + (to - from) / 2;
    int best = -1;
    for (int start : m_groupStarts) {
        if (start <= from || start >= to || (start > first && start <= last))
            continue;
        if (best < 0 || std::abs(start - middle) < std::abs(best - middle))
            best = start;
    }
    return best;
}
