#pragma once

#include "engine_RecordingBackend.h"

#include "MemberCatalogue.h"

// What the recording backend's objects share. Every node records each
// operation, then finds its member in the member catalogue by the node's
// kind and answers it. A member the catalogue does not hold is recorded and
// answered as one the node does not handle: calls and assignments succeed,
// queries and gets give nothing.
namespace recording {

class Node : public AutomationNode
{
public:
    explicit Node(std::shared_ptr<Model> model) : m_model(std::move(model)) {}

    // How the node shows in the log.
    virtual QString label() const = 0;
    // What the node stands for, for finding its members in the catalogue.
    virtual ObjectKind kind() const = 0;

    QVariant call(const MemberText &member, const QVariantList &args) override;
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override;
    QVariant get(const QByteArray &name) override;
    bool set(const QByteArray &name, const QVariant &value) override;
    bool disconnected() const override { return m_model->disconnected; }

protected:
    virtual QVariant onCall(Member, const QVariantList &) { return true; }
    virtual std::shared_ptr<AutomationNode> onQuery(Member, const QVariantList &) { return nullptr; }
    virtual QVariant onGet(Member) { return QVariant(); }
    virtual bool onSet(Member, const QVariant &) { return true; }

    std::shared_ptr<Model> m_model;

private:
    void record(const char *access, const QString &member, const QVariantList &args);
};

// An object of one sheet: the sheet itself, or cells, links or protection
// of it.
class SheetBoundNode : public Node
{
public:
    SheetBoundNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet)
        : Node(std::move(model)), m_sheet(std::move(sheet)) {}
    const std::shared_ptr<Sheet> &sheet() const { return m_sheet; }

protected:
    std::shared_ptr<Sheet> m_sheet;
};

// A block of cells of a sheet, `rows` by `columns` from (top, left).
std::shared_ptr<AutomationNode> makeRange(const std::shared_ptr<Model> &model, const std::shared_ptr<Sheet> &sheet,
                                          int top, int left, int rows, int columns);

// A sheet of the model.
std::shared_ptr<AutomationNode> makeSheet(const std::shared_ptr<Model> &model, const std::shared_ptr<Sheet> &sheet);

} // namespace recording
