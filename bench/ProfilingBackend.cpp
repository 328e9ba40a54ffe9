#include "ProfilingBackend.h"

#include "BenchTable.h"
#include "MemberText.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {

class ProfilingNode : public AutomationNode
{
public:
    ProfilingNode(std::shared_ptr<AutomationNode> inner, std::shared_ptr<MemberProfile> profile)
        : m_inner(std::move(inner))
        , m_profile(std::move(profile))
    {
    }

    const std::shared_ptr<AutomationNode> &inner() const { return m_inner; }

    QVariant call(const MemberText &member, const QVariantList &args) override
    {
        QElapsedTimer timer;
        timer.start();
        const QVariant result = m_inner->call(member, unwrapped(args));
        m_profile->add(QStringLiteral("call ") + QString::fromLatin1(member.name()), timer.nsecsElapsed());
        return result;
    }

    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override
    {
        QElapsedTimer timer;
        timer.start();
        std::shared_ptr<AutomationNode> child = m_inner->query(member, unwrapped(args));
        m_profile->add(QStringLiteral("query ") + QString::fromLatin1(member.name()), timer.nsecsElapsed());
        return child ? profiledNode(std::move(child), m_profile) : nullptr;
    }

    QVariant get(const QByteArray &name) override
    {
        QElapsedTimer timer;
        timer.start();
        const QVariant value = m_inner->get(name);
        m_profile->add(QStringLiteral("get ") + QString::fromLatin1(name), timer.nsecsElapsed());
        return value;
    }

    bool set(const QByteArray &name, const QVariant &value) override
    {
        QElapsedTimer timer;
        timer.start();
        const bool done = m_inner->set(name, unwrapped({value}).first());
        m_profile->add(QStringLiteral("set ") + QString::fromLatin1(name), timer.nsecsElapsed());
        return done;
    }

    bool disconnected() const override { return m_inner->disconnected(); }

private:
    static QVariantList unwrapped(const QVariantList &args)
    {
        QVariantList plain = args;
        for (QVariant &arg : plain) {
            const auto wrapper = std::dynamic_pointer_cast<ProfilingNode>(nodeOf(arg));
            if (wrapper)
                arg = QVariant::fromValue(AutomationRef{wrapper->inner()});
        }
        return plain;
    }

    std::shared_ptr<AutomationNode> m_inner;
    std::shared_ptr<MemberProfile> m_profile;
};

} // namespace

std::shared_ptr<AutomationNode> profiledNode(std::shared_ptr<AutomationNode> inner,
                                             std::shared_ptr<MemberProfile> profile)
{
    if (!inner)
        return nullptr;
    return std::make_shared<ProfilingNode>(std::move(inner), std::move(profile));
}

QStringList profileLines(const MemberProfile &profile, int count)
{
    QStringList lines;
    const QList<MemberProfile::Entry> entries = profile.entries();
    for (int i = 0; i < entries.size() && i < count; ++i) {
        const MemberProfile::Entry &e = entries.at(i);
        lines << QStringLiteral("  %1 %2 x %3 s, longest %4 s")
                     .arg(e.member, -26)
                     .arg(formatCount(qint64(e.count)), 9)
                     .arg(formatSeconds(e.totalNs / 1000000), 7)
                     .arg(formatSeconds(e.longestNs / 1000000));
    }
    return lines;
}
