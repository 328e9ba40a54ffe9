#include "ComNode.h"

#include "ComInvoke.h"
#include "ComLog.h"
#include "ComTypeTable.h"
#include "MemberText.h"

#include <QString>
#include <QUuid>

namespace {

QString shown(const QByteArray &name)
{
    return QString::fromLatin1(name);
}

// A method or get given one argument by an object without type information
// may have been meant as a put.
bool mayBePut(const DispatchPlan &plan, const InvokeOutcome &outcome)
{
    return plan.kind == DispatchKind::MethodOrGet && !plan.member.described
        && plan.args.size() == 1
        && (outcome.result == DISP_E_BADPARAMCOUNT || outcome.result == DISP_E_MEMBERNOTFOUND);
}

class VariantHolder
{
public:
    VariantHolder() { VariantInit(&value); }
    ~VariantHolder() { VariantClear(&value); }
    VARIANT value;
};

} // namespace

ComNode::ComNode(std::shared_ptr<ComSession> session, IDispatch *dispatch)
    : m_session(std::move(session))
    , m_dispatch(dispatch)
{
    if (m_dispatch)
        m_dispatch->AddRef();
}

ComNode::~ComNode()
{
    // Before the session: the last node of a session uninitialises COM.
    if (m_dispatch)
        m_dispatch->Release();
}

IDispatch *ComNode::dispatchOf(const QVariant &value)
{
    auto *node = dynamic_cast<ComNode *>(nodeOf(value).get());
    if (!node || !node->m_dispatch)
        return nullptr;
    node->m_dispatch->AddRef();
    return node->m_dispatch;
}

bool ComNode::disconnected() const
{
    return m_session->disconnected();
}

void ComNode::abort()
{
    m_session->abortApplication();
}

QVariant ComNode::call(const MemberText &member, const QVariantList &args)
{
    VariantHolder returned;
    switch (invoke(member.name(), args, &returned.value)) {
    case Invoked::Failed:
        return QVariant();
    case Invoked::Nothing:
        // Told apart from a failure, as the engine checks SaveAs.
        return true;
    case Invoked::Value:
        break;
    }
    return fromComVariant(returned.value, [this](IDispatch *dispatch) { return wrap(dispatch); });
}

std::shared_ptr<AutomationNode> ComNode::query(const MemberText &member, const QVariantList &args)
{
    VariantHolder returned;
    if (invoke(member.name(), args, &returned.value) == Invoked::Failed)
        return nullptr;
    const QVariant value = fromComVariant(returned.value, [this](IDispatch *dispatch) { return wrap(dispatch); });
    std::shared_ptr<AutomationNode> child = nodeOf(value);
    if (!child)
        qCWarning(comLog, "%s gave no object", qPrintable(shown(member.name())));
    return child;
}

QVariant ComNode::get(const QByteArray &name)
{
    return call(MemberText(name.constData()), {});
}

bool ComNode::set(const QByteArray &name, const QVariant &value)
{
    return put(MemberText(name.constData()).name(), value);
}

ComNode::Invoked ComNode::invoke(const QByteArray &name, const QVariantList &args, VARIANT *returned)
{
    if (disconnected() || !m_dispatch)
        return Invoked::Failed;
    const bool describe = !args.isEmpty();
    std::optional<DispatchPlan> plan = planCall(name, args, [&](const QByteArray &candidate) {
        return lookup(candidate, describe);
    });
    if (!plan) {
        qCWarning(comLog, "No member %s", qPrintable(shown(name)));
        return Invoked::Failed;
    }
    InvokeOutcome outcome = execute(*plan, returned);
    if (mayBePut(*plan, outcome)) {
        plan->kind = DispatchKind::Put;
        outcome = execute(*plan, returned);
    }
    if (!finish(outcome, name))
        return Invoked::Failed;
    return plan->givesNothing() && returned->vt == VT_EMPTY ? Invoked::Nothing : Invoked::Value;
}

bool ComNode::put(const QByteArray &name, const QVariant &value)
{
    if (disconnected() || !m_dispatch)
        return false;
    const std::optional<DispatchPlan> plan = planPut(name, value, [&](const QByteArray &candidate) {
        return lookup(candidate, true);
    });
    if (!plan) {
        qCWarning(comLog, "No property %s", qPrintable(shown(name)));
        return false;
    }
    VariantHolder unused;
    return finish(execute(*plan, &unused.value), name);
}

InvokeOutcome ComNode::execute(const DispatchPlan &plan, VARIANT *returned)
{
    const WORD flags = plan.kind == DispatchKind::Put
        ? WORD(DISPATCH_PROPERTYPUT)
        : WORD(DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    VariantClear(returned);
    return invokeMember(m_dispatch, DISPID(plan.member.id), flags, plan.args, &ComNode::dispatchOf, returned);
}

bool ComNode::finish(const InvokeOutcome &outcome, const QByteArray &name)
{
    if (outcome.ok())
        return true;
    if (isServerGone(outcome.result))
        m_session->markDisconnected();
    qCWarning(comLog, "%s failed: %s", qPrintable(shown(name)), qPrintable(outcome.error));
    return false;
}

std::optional<DispatchMember> ComNode::lookup(const QByteArray &name, bool describe)
{
    auto known = m_ids.constFind(name);
    DISPID id = DISPID_UNKNOWN;
    if (known != m_ids.constEnd()) {
        id = known.value();
    } else {
        const QString wide = QString::fromLatin1(name);
        LPOLESTR names[1] = {const_cast<LPOLESTR>(reinterpret_cast<LPCOLESTR>(wide.utf16()))};
        const HRESULT result = m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (isServerGone(result))
            m_session->markDisconnected();
        if (FAILED(result))
            id = DISPID_UNKNOWN;
        m_ids.insert(name, id);
    }
    if (id == DISPID_UNKNOWN)
        return std::nullopt;
    if (describe) {
        if (const std::shared_ptr<ComTypeTable> table = typeTable()) {
            std::optional<DispatchMember> member = table->member(name);
            if (member && member->id == id)
                return member;
        }
    }
    DispatchMember member;
    member.id = id;
    return member;
}

std::shared_ptr<ComTypeTable> ComNode::typeTable()
{
    if (m_tableRead)
        return m_table;
    m_tableRead = true;
    // Each call may cross to the server's process: GetTypeInfo alone tells
    // whether there is any (GetTypeInfoCount would cost one more).
    ITypeInfo *info = nullptr;
    if (FAILED(m_dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) || !info)
        return nullptr;
    GUID id;
    if (typeInfoId(info, &id)) {
        const QUuid key(id);
        m_table = m_session->typeTable(key);
        if (!m_table) {
            m_table = ComTypeTable::read(info);
            m_session->addTypeTable(key, m_table);
        }
    }
    info->Release();
    return m_table;
}

QVariant ComNode::wrap(IDispatch *dispatch) const
{
    return QVariant::fromValue(AutomationRef{std::make_shared<ComNode>(m_session, dispatch)});
}
