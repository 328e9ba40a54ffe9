#include "SheetOrder.h"

#include <algorithm>

#include <QtGlobal>

void SheetOrder::reset(const QVector<Key> &officeOrder)
{
    m_seen = officeOrder;
    m_office = officeOrder;
    m_known = true;
}

void SheetOrder::forget()
{
    m_seen.clear();
    m_office.clear();
    m_known = false;
}

void SheetOrder::inserted(Key key, int officeIndex, int index)
{
    m_office.insert(qBound(0, officeIndex, m_office.size()), key);
    m_seen.insert(qBound(0, index, m_seen.size()), key);
}

void SheetOrder::insertedElsewhere(Key key, int index)
{
    m_seen.insert(qBound(0, index, m_seen.size()), key);
}

void SheetOrder::arrived(Key key, int officeIndex)
{
    if (!m_office.contains(key))
        m_office.insert(qBound(0, officeIndex, m_office.size()), key);
}

void SheetOrder::leftOffice(Key key)
{
    m_office.removeOne(key);
}

void SheetOrder::movedBefore(Key key, Key before)
{
    if (key == before || !m_seen.contains(key) || !m_seen.contains(before))
        return;
    m_seen.removeOne(key);
    m_seen.insert(m_seen.indexOf(before), key);
}

void SheetOrder::removed(Key key)
{
    m_seen.removeOne(key);
    m_office.removeOne(key);
}

void SheetOrder::replaced(Key key, Key by)
{
    std::replace(m_seen.begin(), m_seen.end(), key, by);
    std::replace(m_office.begin(), m_office.end(), key, by);
}

// Front to back: every place that holds the wrong sheet gets the right one
// from further back, so the sheets already in place never move again.
QVector<SheetOrder::Move> SheetOrder::alignOffice()
{
    QVector<Move> moves;
    for (int i = 0; i < m_seen.size() && i < m_office.size(); ++i) {
        if (m_office.at(i) == m_seen.at(i))
            continue;
        const int from = m_office.indexOf(m_seen.at(i));
        if (from < 0)
            continue;
        m_office.move(from, i);
        moves.append({m_seen.at(i), i});
    }
    return moves;
}
