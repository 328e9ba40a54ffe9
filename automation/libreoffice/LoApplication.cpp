#include "LoNodes.h"

#include "OfficeSession.h"

bool LoNode::disconnected() const
{
    return m_session->lost();
}

LoApplication::~LoApplication() = default;

void LoApplication::abort()
{
    session().abort();
}

QVariant LoApplication::call(const MemberText &member, const QVariantList &args)
{
    if (member.is("SetVisible") || member.is("EnableEvents"))
        return true; // headless: nothing to show, no events to switch
    if (member.is("Quit")) {
        session().quit();
        return true;
    }
    if (member.is("WorkBooks") || member.is("Workbooks"))
        return QVariant();
    Q_UNUSED(args);
    return QVariant();
}

std::shared_ptr<AutomationNode> LoApplication::query(const MemberText &member, const QVariantList &)
{
    if ((member.is("WorkBooks") || member.is("Workbooks")) && !session().lost() && session().desktop().is())
        return std::make_shared<LoWorkbooks>(m_session);
    return nullptr;
}

QVariant LoApplication::get(const QByteArray &name)
{
    if (name == "DisplayAlerts" || name == "EnableEvents")
        return false;
    if (name == "Visible")
        return false;
    return QVariant();
}

bool LoApplication::set(const QByteArray &name, const QVariant &)
{
    return name == "DisplayAlerts" || name == "Visible" || name == "EnableEvents";
}

std::shared_ptr<AutomationNode> createLibreOfficeApplication()
{
    auto session = std::make_shared<OfficeSession>();
    session->start(); // a failed start shows as a null Workbooks object
    return std::make_shared<LoApplication>(session);
}
