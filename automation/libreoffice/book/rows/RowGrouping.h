#pragma once

#include "SheetArea.h"

#include <QList>
#include <QString>
#include <QVector>

#include <optional>

// The rows of a block of a sheet regrouped by a key: every key's rows
// together, the keys in the order they first appear, each key's rows in
// their own order. A copy of a sheet whose block is grouped this way, cut
// down to a few keys' groups, gives any one key's rows with a few block
// deletes instead of a sort.
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
    // Grouped positions where a key's rows begin, ascending.
    const QVector<int> &groupStarts() const { return m_groupStarts; }

    // What a delete given in the original's numbering leaves of the block,
    // by grouped position, and what it takes outside the block.
    struct KeptRows
    {
        QVector<int> positions;  // ascending
        QList<SheetArea> above;  // deleted rows above the block
        QList<SheetArea> below;  // deleted rows below it, in the original's numbering
        int left = 1;
        int right = 1;
    };
    // None when the kept rows do not stand in their own order in the
    // grouped order.
    std::optional<KeptRows> keptRows(const QList<SheetArea> &deleted) const;

    // The rows to delete from a part of the grouped copy, one that holds the
    // grouped positions [from, to) of the block and no others, to leave what
    // the delete leaves of the original: the rows outside the block as
    // asked, and the part's rows around the kept ones. None when a kept row
    // is not in the part, or when that would take more than kMaxRuns blocks.
    std::optional<QList<SheetArea>> rowsToDeleteInPart(const KeptRows &kept, int from, int to) const;

    // Where to cut the part [from, to) in two, at the start of a key's
    // group, nearest its middle, with the positions first..last all on one
    // side; -1 when no such place is left.
    int splitPoint(int from, int to, int first, int last) const;

    static constexpr int kMaxRuns = 16;

private:
    int m_top = 1;
    QVector<int> m_rowAt;      // grouped position -> original index
    QVector<int> m_positionOf; // original index -> grouped position
    QVector<int> m_groupStarts;
};
