#include "engine_RecordingNode.h"

#include <QRegularExpression>

#include <algorithm>

// The recording backend's sheets, with their hyperlinks, protection and
// editable ranges.
namespace recording {

namespace {

int columnOf(const QString &text)
{
    int number = 0;
    for (QChar c : text)
        number = number * 26 + (c.toUpper().unicode() - 'A' + 1);
    return number;
}


class ListNode : public SheetBoundNode
{
public:
    ListNode(std::shared_ptr<Model> model, ObjectKind kind, QString label, std::shared_ptr<Sheet> sheet,
             QStringList Sheet::*list)
        : SheetBoundNode(std::move(model), std::move(sheet)), m_kind(kind), m_label(std::move(label)), m_list(list) {}
    QString label() const override { return m_label; }
    ObjectKind kind() const override { return m_kind; }

protected:
    QVariant onCall(Member member, const QVariantList &args) override
    {
        if (member != Member::Add)
            return true;
        QStringList shown;
        for (const QVariant &a : args) {
            auto node = std::dynamic_pointer_cast<Node>(nodeOf(a));
            QString text = node ? node->label() : a.toString();
            text.remove(QRegularExpression(QStringLiteral("^range:[^!]*!")));
            shown << text;
        }
        ((*m_sheet).*m_list) << shown.join(m_list == &Sheet::hyperlinks ? QStringLiteral("|") : QStringLiteral(" "));
        return true;
    }

    // One editable range by its title.
    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &args) override;

private:
    ObjectKind m_kind;
    QString m_label;
    QStringList Sheet::*m_list;
};

// A sheet's editable range, by its title.
class EditRangeNode : public SheetBoundNode
{
public:
    EditRangeNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet, QString title)
        : SheetBoundNode(std::move(model), std::move(sheet)), m_title(std::move(title)) {}
    QString label() const override { return QStringLiteral("editrange:") + m_title; }
    ObjectKind kind() const override { return ObjectKind::AllowEditRange; }

protected:
    QVariant onCall(Member member, const QVariantList &) override
    {
        if (member == Member::Delete)
            m_sheet->editableRanges = m_sheet->editableRanges.filter(QRegularExpression("^(?!" + QRegularExpression::escape(m_title) + " )"));
        return true;
    }

private:
    QString m_title;
};

std::shared_ptr<AutomationNode> ListNode::onQuery(Member member, const QVariantList &args)
{
    const QString title = args.value(0).toString();
    if (member != Member::Item || m_list != &Sheet::editableRanges
        || m_sheet->editableRanges.filter(QRegularExpression("^" + QRegularExpression::escape(title) + " ")).isEmpty())
        return nullptr;
    return std::make_shared<EditRangeNode>(m_model, m_sheet, title);
}

class ProtectionNode : public SheetBoundNode
{
public:
    using SheetBoundNode::SheetBoundNode;
    QString label() const override { return QStringLiteral("protection:") + m_sheet->name; }
    ObjectKind kind() const override { return ObjectKind::Protection; }

protected:
    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &) override
    {
        if (member == Member::AllowEditRanges)
            return std::make_shared<ListNode>(m_model, ObjectKind::AllowEditRanges,
                                              QStringLiteral("editranges:") + m_sheet->name, m_sheet,
                                              &Sheet::editableRanges);
        return nullptr;
    }
};

class SheetNode : public SheetBoundNode
{
public:
    using SheetBoundNode::SheetBoundNode;
    QString label() const override { return QStringLiteral("sheet:") + m_sheet->name; }
    ObjectKind kind() const override { return ObjectKind::Worksheet; }

protected:
    QVariant onGet(Member member) override
    {
        if (member == Member::ProtectContents)
            return m_sheet->isProtected;
        if (member == Member::AutoFilterMode)
            return m_sheet->filterButtons;
        return member == Member::Name ? QVariant(m_sheet->name) : QVariant();
    }

    bool onSet(Member member, const QVariant &value) override
    {
        if (member != Member::Name)
            return true;
        const QString wanted = value.toString();
        if (wanted.isEmpty())
            return false;
        for (const auto &other : m_model->sheets) {
            if (other != m_sheet && other->name.compare(wanted, Qt::CaseInsensitive) == 0)
                return false; // the application keeps the old name
        }
        m_sheet->name = wanted;
        return true;
    }

    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &args) override
    {
        switch (member) {
        case Member::UsedRange:
            return usedRange();
        case Member::Cells:
            return makeRange(m_model, m_sheet, args.value(0).toInt(), args.value(1).toInt(), 1, 1);
        case Member::Range:
            return range(args.value(0).toString());
        case Member::Hyperlinks:
            return std::make_shared<ListNode>(m_model, ObjectKind::Hyperlinks,
                                              QStringLiteral("hyperlinks:") + m_sheet->name, m_sheet,
                                              &Sheet::hyperlinks);
        case Member::Protection:
            return std::make_shared<ProtectionNode>(m_model, m_sheet);
        default:
            return nullptr;
        }
    }

    QVariant onCall(Member member, const QVariantList &args) override
    {
        switch (member) {
        case Member::Copy:
            return copyBefore(args.value(0));
        case Member::Move:
            return moveBefore(args.value(0));
        case Member::Protect:
            m_sheet->isProtected = true;
            m_sheet->password = args.value(0).toString();
            return true;
        case Member::Unprotect:
            if (m_sheet->isProtected && args.value(0).toString() != m_sheet->password)
                return QVariant();
            m_sheet->isProtected = false;
            return true;
        case Member::Delete:
            m_model->sheets.removeAll(m_sheet);
            return true;
        default:
            return true;
        }
    }

private:
    int positionOf(const QVariant &sheetArgument) const
    {
        auto node = std::dynamic_pointer_cast<SheetNode>(nodeOf(sheetArgument));
        return node ? m_model->sheets.indexOf(node->sheet()) : -1;
    }

    QVariant copyBefore(const QVariant &before)
    {
        const int at = positionOf(before);
        if (at < 0)
            return QVariant();
        auto copy = std::make_shared<Sheet>(*m_sheet);
        int n = 2;
        while (m_model->sheet(QStringLiteral("%1 (%2)").arg(m_sheet->name).arg(n)))
            ++n;
        copy->name = QStringLiteral("%1 (%2)").arg(m_sheet->name).arg(n);
        m_model->sheets.insert(at, copy);
        return true;
    }

    QVariant moveBefore(const QVariant &before)
    {
        auto node = std::dynamic_pointer_cast<SheetNode>(nodeOf(before));
        if (!node || node->sheet() == m_sheet)
            return QVariant();
        m_model->sheets.removeAll(m_sheet);
        m_model->sheets.insert(m_model->sheets.indexOf(node->sheet()), m_sheet);
        return true;
    }

    std::shared_ptr<AutomationNode> usedRange()
    {
        int top = 1 << 30, left = 1 << 30, bottom = 0, right = 0;
        for (const QMap<Cell, QString> *grid : {&m_sheet->values, &m_sheet->formulas}) {
            for (auto it = grid->cbegin(); it != grid->cend(); ++it) {
                if (it.value().isEmpty())
                    continue;
                top = std::min(top, it.key().first);
                bottom = std::max(bottom, it.key().first);
                left = std::min(left, it.key().second);
                right = std::max(right, it.key().second);
            }
        }
        if (bottom == 0)
            return makeRange(m_model, m_sheet, 1, 1, 1, 1);
        return makeRange(m_model, m_sheet, top, left, bottom - top + 1, right - left + 1);
    }

    // One block in A1 form, dollar signs allowed; several areas give the
    // block around them all.
    std::shared_ptr<AutomationNode> range(const QString &text)
    {
        static const QRegularExpression cell(QStringLiteral("^\\$?([A-Za-z]{1,3})\\$?([0-9]+)$"));
        int top = 1 << 30, left = 1 << 30, bottom = 0, right = 0;
        if (text.isEmpty())
            return nullptr;
        for (const QString &area : text.split(QLatin1Char(','))) {
            for (const QString &corner : area.split(QLatin1Char(':'))) {
                const QRegularExpressionMatch m = cell.match(corner);
                if (!m.hasMatch() || m.captured(2).toInt() < 1)
                    return nullptr;
                const int r = m.captured(2).toInt();
                const int c = columnOf(m.captured(1));
                top = std::min(top, r);
                bottom = std::max(bottom, r);
                left = std::min(left, c);
                right = std::max(right, c);
            }
        }
        return makeRange(m_model, m_sheet, top, left, bottom - top + 1, right - left + 1);
    }
};

} // namespace

std::shared_ptr<AutomationNode> makeSheet(const std::shared_ptr<Model> &model, const std::shared_ptr<Sheet> &sheet)
{
    return std::make_shared<SheetNode>(model, sheet);
}

} // namespace recording
