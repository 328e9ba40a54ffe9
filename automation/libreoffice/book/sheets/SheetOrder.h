#pragma once

#include <QVector>

// The order of a workbook's sheets as the caller sees it, kept apart from the
// order the office holds them in. Moving a sheet costs the office time that
// grows with the number of sheets, so a move only changes the order seen
// here; the office's order is brought in line once, before anything can see
// it (saving), with as few real moves as the two orders need.
class SheetOrder
{
public:
    using Key = const void *;

    struct Move
    {
        Key key;
        int to; // the office's index the sheet goes to; the others shift
        bool operator==(const Move &o) const { return key == o.key && to == o.to; }
    };

    // Both orders start out as the office's.
    void reset(const QVector<Key> &officeOrder);
    void forget();
    bool known() const { return m_known; }

    int count() const { return m_seen.size(); }
    Key at(int index) const { return m_seen.value(index); } // the caller's order, 0-based
    int indexOf(Key key) const { return m_seen.indexOf(key); }
    int officeIndexOf(Key key) const { return m_office.indexOf(key); }
    bool inStep() const { return m_seen == m_office; }

    // A new sheet, at its place in each order.
    void inserted(Key key, int officeIndex, int index);
    // A sheet the caller sees that the office holds elsewhere for now, and
    // its arrival at `officeIndex`.
    void insertedElsewhere(Key key, int index);
    void arrived(Key key, int officeIndex);
    void leftOffice(Key key);
    // The caller's Move: `key` goes before `before`.
    void movedBefore(Key key, Key before);
    void removed(Key key);
    // Another sheet takes `key`'s place in both orders.
    void replaced(Key key, Key by);

    // The office's moves that give it the caller's order, front to back; the
    // office's order is taken to follow them.
    QVector<Move> alignOffice();

private:
    QVector<Key> m_seen;
    QVector<Key> m_office;
    bool m_known = false;
};
