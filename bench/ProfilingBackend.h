#pragma once

#include "AutomationNode.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

// Where a job's time goes, member by member: a backend that wraps another
// one and adds up, for every member the engine uses, how often it was used
// and how long the backend took. Calls never nest, so the times add up to
// the time spent in the backend.
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

// Wraps `inner` (and every node queried from it) so that each operation is
// timed into `profile`. Node arguments are handed to `inner` unwrapped.
std::shared_ptr<AutomationNode> profiledNode(std::shared_ptr<AutomationNode> inner,
                                             std::shared_ptr<MemberProfile> profile);

// The top `count` entries as lines:
// "  call SetFormulaR1C1  100,000 x  12.3 s, longest 0.1 s".
QStringList profileLines(const MemberProfile &profile, int count);
