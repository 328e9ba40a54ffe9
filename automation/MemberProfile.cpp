#include "MemberProfile.h"

#include <algorithm>

void MemberProfile::add(const QString &member, qint64 ns)
{
    const auto found = m_index.constFind(member);
    if (found != m_index.constEnd()) {
        Entry &entry = m_entries[found.value()];
        ++entry.count;
        entry.totalNs += ns;
        entry.longestNs = qMax(entry.longestNs, ns);
        return;
    }
    m_index.insert(member, m_entries.size());
    m_entries << Entry{member, 1, ns, ns};
}

QList<MemberProfile::Entry> MemberProfile::entries() const
{
    QList<Entry> sorted = m_entries;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Entry &a, const Entry &b) { return a.totalNs > b.totalNs; });
    return sorted;
}

qint64 MemberProfile::totalNs() const
{
    qint64 total = 0;
    for (const Entry &entry : m_entries)
        total += entry.totalNs;
    return total;
}

void MemberProfile::clear()
{
    m_entries.clear();
    m_index.clear();
}
