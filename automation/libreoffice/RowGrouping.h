#pragma once

#include "SheetArea.h"

#include <QList>
#include <QString>
#include <QVector>

#include <optional>

// The rows of a block of a sheet regrouped by a key: every key's rows
// together, the keys in the order they first appear, each key's rows in
// their own order. A copy of a sheet whose block is grouped this way gives
// any one key's rows with two block deletes instead of a sort.
class RowGrouping
{
public:
    // `keys` holds the key of every row of the block, from `top` (1-based) down.
    static RowGrouping byKeys(int top, const QVector<QString> &keys);

    int top() const { return m_top; }
    int bottom() const { return m_top + m_rowAt.size() - 1; }
    int size() const { return m_rowAt.size(); }
    bool isIdentity() const;

    // Index in the original block of the row at grouped position `position`.
    int originalIndexAt(int position) const { return m_rowAt.value(position, -1); }

    // Rows deleted from the original, given in the original's numbering, and
    // the rows of a grouped copy that deleting them from there leaves the
    // same: the rows outside the block as they are, and the block's rows
    // around the kept ones. None when the kept rows of the block do not stand
    // in their own order in the grouped copy, or when that would take more
    // than kMaxRuns blocks.
    std::optional<QList<SheetArea>> rowsToDeleteInGrouped(const QList<SheetArea> &deleted) const;

    static constexpr int kMaxRuns = 16;

private:
    int m_top = 1;
    QVector<int> m_rowAt;      // grouped position -> original index
    QVector<int> m_positionOf; // original index -> grouped position
};
