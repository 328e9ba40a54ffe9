#include "LoNodes.h"

#include "OfficeSession.h"

// ---- Any node: the catalogue says which member a call is ----

bool LoNode::disconnected() const
{
    return m_session->lost();
}

QVariant LoNode::call(const MemberText &member, const QVariantList &args)
{
    const SheetCall use{'D', objectKind(), catalogueEntry('D', objectKind(), member.name()), {}, int(args.size())};
    beforeUse(use);
    const QVariant result = use.entry ? callMember(use.entry->id, args) : QVariant();
    afterUse(use);
    return result;
}

std::shared_ptr<AutomationNode> LoNode::query(const MemberText &member, const QVariantList &args)
{
    const SheetCall use{'Q', objectKind(), catalogueEntry('Q', objectKind(), member.name())};
    beforeUse(use);
    return use.entry ? queryMember(use.entry->id, args) : nullptr;
}

QVariant LoNode::get(const QByteArray &name)
{
    const SheetCall use{'P', objectKind(), catalogueEntry('P', objectKind(), name)};
    beforeUse(use);
    return use.entry ? getMember(use.entry->id) : QVariant();
}

bool LoNode::set(const QByteArray &name, const QVariant &value)
{
    const SheetCall use{'S', objectKind(), catalogueEntry('S', objectKind(), name)};
    beforeUse(use);
    const bool result = use.entry ? setMember(use.entry->id, value) : false;
    afterUse(use);
    return result;
}

// ---- Application ----

LoApplication::~LoApplication() = default;

void LoApplication::abort()
{
    session().abort();
}

QVariant LoApplication::callMember(Member member, const QVariantList &)
{
    switch (member) {
    case Member::SetVisible:
    case Member::EnableEvents:
        return true; // headless: nothing to show, no events to switch
    case Member::Quit:
        session().quit();
        return true;
    default:
        return QVariant();
    }
}

std::shared_ptr<AutomationNode> LoApplication::queryMember(Member member, const QVariantList &)
{
    switch (member) {
    case Member::WorkBooks:
    case Member::Workbooks:
        if (!session().lost() && session().desktop().is())
            return std::make_shared<LoWorkbooks>(m_session);
        return nullptr;
    default:
        return nullptr;
    }
}

QVariant LoApplication::getMember(Member member)
{
    switch (member) {
    case Member::DisplayAlerts:
    case Member::EnableEvents:
    case Member::Visible:
        return false;
    default:
        return QVariant();
    }
}

bool LoApplication::setMember(Member member, const QVariant &)
{
    return member == Member::DisplayAlerts || member == Member::Visible || member == Member::EnableEvents;
}

std::shared_ptr<AutomationNode> createLibreOfficeApplication()
{
    auto session = std::make_shared<OfficeSession>();
    session->start(); // a failed start shows as a null Workbooks object
    return std::make_shared<LoApplication>(session);
}
