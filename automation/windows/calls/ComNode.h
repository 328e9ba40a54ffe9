#pragma once

#include "AutomationNode.h"
#include "ComSession.h"
#include "DispatchPlan.h"

#include <QHash>

#include <memory>
#include <optional>

#include <oaidl.h>

class ComTypeTable;
struct InvokeOutcome;

// An automation object reached through its IDispatch, late bound: members
// are found by name when they are first used. Holds a reference on the
// object and shares the session of the application it came from.
class ComNode : public AutomationNode
{
public:
    ComNode(std::shared_ptr<ComSession> session, IDispatch *dispatch);
    ~ComNode() override;
    ComNode(const ComNode &) = delete;
    ComNode &operator=(const ComNode &) = delete;

    QVariant call(const MemberText &member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;
    bool set(const QByteArray &name, const QVariant &value) override;
    bool disconnected() const override;
    void abort() override;

    // The IDispatch behind an asVariant() of a node of this backend, with a
    // reference added; null for anything else.
    static IDispatch *dispatchOf(const QVariant &value);

private:
    enum class Invoked { Failed, Value, Nothing };
    Invoked invoke(const QByteArray &name, const QVariantList &args, VARIANT *returned);
    bool put(const QByteArray &name, const QVariant &value);
    InvokeOutcome execute(const DispatchPlan &plan, VARIANT *returned);
    bool finish(const InvokeOutcome &outcome, const QByteArray &name);
    std::optional<DispatchMember> lookup(const QByteArray &name, bool describe);
    std::shared_ptr<ComTypeTable> typeTable();
    QVariant wrap(IDispatch *dispatch) const;

    std::shared_ptr<ComSession> m_session;
    IDispatch *m_dispatch = nullptr;
    QHash<QByteArray, DISPID> m_ids;
    std::shared_ptr<ComTypeTable> m_table;
    bool m_tableRead = false;
};
