#include "AutomationObject.h"

#include "MemberProfile.h"
#include "MemberText.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

QMutex registryMutex;
QHash<QString, BackendFactory> &registry()
{
    static QHash<QString, BackendFactory> factories;
    return factories;
}

std::atomic<quint64> operations{0};

// SHEETSPLICER_PROFILE=1 prints, at exit, the time spent per member.
class ExitProfile
{
public:
    ExitProfile() : m_enabled(qEnvironmentVariableIntValue("SHEETSPLICER_PROFILE") != 0) {}
    ~ExitProfile()
    {
        if (!m_enabled)
            return;
        for (const MemberProfile::Entry &entry : m_profile.entries())
            fprintf(stderr, "%10.3f s %9llu  %s\n", entry.totalNs / 1e9, static_cast<unsigned long long>(entry.count),
                    entry.member.toUtf8().constData());
    }
    bool enabled() const { return m_enabled; }
    void add(const QByteArray &member, qint64 ns)
    {
        QMutexLocker lock(&m_mutex);
        m_profile.add(QString::fromLatin1(member), ns);
    }

private:
    bool m_enabled;
    QMutex m_mutex;
    MemberProfile m_profile;
};

ExitProfile &profile()
{
    static ExitProfile p;
    return p;
}

struct Timed
{
    Timed(const char *kind, const MemberText &member) : m_kind(kind), m_member(member)
    {
        if (profile().enabled())
            m_timer.start();
    }
    ~Timed()
    {
        if (m_timer.isValid())
            profile().add(QByteArray(m_kind) + ' ' + m_member.text(), m_timer.nsecsElapsed());
    }
    const char *m_kind;
    const MemberText &m_member;
    QElapsedTimer m_timer;
};

// ActiveQt takes arguments up to the first invalid variant; so do we.
QVariantList argumentList(std::initializer_list<const QVariant *> given)
{
    QVariantList args;
    for (const QVariant *v : given) {
        if (!v->isValid())
            break;
        args << *v;
    }
    return args;
}

QVariantList withConstants(const MemberText &member, const QVariantList &args)
{
    if (member.constants().isEmpty())
        return args;
    return member.constants() + args;
}

} // namespace

std::shared_ptr<AutomationNode> nodeOf(const QVariant &value)
{
    if (value.userType() != qMetaTypeId<AutomationRef>())
        return nullptr;
    return value.value<AutomationRef>().node;
}

void registerBackend(const QString &progId, BackendFactory factory)
{
    QMutexLocker lock(&registryMutex);
    registry().insert(progId, std::move(factory));
}

void unregisterBackend(const QString &progId)
{
    QMutexLocker lock(&registryMutex);
    registry().remove(progId);
}

AutomationObject::AutomationObject(QObject *parent)
    : QObject(parent)
{
}

AutomationObject::AutomationObject(std::shared_ptr<AutomationNode> node, QObject *parent)
    : QObject(parent)
    , m_node(std::move(node))
{
}

AutomationObject::~AutomationObject() = default;

bool AutomationObject::setControl(const QString &progId)
{
    ++operations;
    BackendFactory factory;
    {
        QMutexLocker lock(&registryMutex);
        factory = registry().value(progId);
    }
    m_node = factory ? factory(progId) : createPlatformBackend(progId);
    return m_node != nullptr;
}

QVariant AutomationObject::dynamicCall(const char *member,
                                       const QVariant &var1, const QVariant &var2,
                                       const QVariant &var3, const QVariant &var4,
                                       const QVariant &var5, const QVariant &var6,
                                       const QVariant &var7, const QVariant &var8)
{
    ++operations;
    if (!m_node)
        return QVariant();
    const MemberText text(member);
    const Timed timed("D", text);
    const QVariantList args = argumentList({&var1, &var2, &var3, &var4, &var5, &var6, &var7, &var8});
    return m_node->call(text, withConstants(text, args));
}

AutomationObject *AutomationObject::querySubObject(const char *member,
                                                   const QVariant &var1, const QVariant &var2,
                                                   const QVariant &var3, const QVariant &var4,
                                                   const QVariant &var5, const QVariant &var6,
                                                   const QVariant &var7, const QVariant &var8)
{
    ++operations;
    if (!m_node)
        return nullptr;
    const MemberText text(member);
    const Timed timed("Q", text);
    const QVariantList args = argumentList({&var1, &var2, &var3, &var4, &var5, &var6, &var7, &var8});
    std::shared_ptr<AutomationNode> child = m_node->query(text, withConstants(text, args));
    if (!child)
        return nullptr;
    return new AutomationObject(std::move(child), this);
}

QVariant AutomationObject::property(const char *name) const
{
    ++operations;
    return m_node ? m_node->get(QByteArray(name)) : QVariant();
}

bool AutomationObject::setProperty(const char *name, const QVariant &value)
{
    ++operations;
    const MemberText text(name);
    const Timed timed("S", text);
    return m_node ? m_node->set(QByteArray(name), value) : false;
}

QVariant AutomationObject::asVariant() const
{
    ++operations;
    return QVariant::fromValue(AutomationRef{m_node});
}

bool AutomationObject::isDisconnected() const
{
    return m_node && m_node->disconnected();
}

std::function<void()> AutomationObject::aborter() const
{
    const std::weak_ptr<AutomationNode> node = m_node;
    return [node] {
        if (const std::shared_ptr<AutomationNode> alive = node.lock())
            alive->abort();
    };
}

quint64 AutomationObject::operationCount()
{
    return operations.load();
}
