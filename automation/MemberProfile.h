#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Where a job's time goes, member by member: how often each member was used
// and how long the backend took for it. Not thread-safe; callers that share
// one across threads lock around it.
class MemberProfile
{
public:
    struct Entry
    {
        QString member;   // "call SetFormulaR1C1", "query Cells", "get Count", ...
        quint64 count = 0;
        qint64 totalNs = 0;
        qint64 longestNs = 0; // the longest single use
    };

    void add(const QString &member, qint64 ns);
    // The entries, the most expensive first.
    QList<Entry> entries() const;
    qint64 totalNs() const;
    void clear();

private:
    QList<Entry> m_entries;
    QHash<QString, int> m_index;
};
