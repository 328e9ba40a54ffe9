#include "engine_RecordingNode.h"

#include "MemberText.h"

namespace recording {

namespace {

QString letters(int column)
{
    QString text;
    while (column > 0) {
        text.prepend(QChar('A' + (column - 1) % 26));
        column = (column - 1) / 26;
    }
    return text;
}

// The sheet at a position counted from 1; null for none.
std::shared_ptr<AutomationNode> sheetAt(const std::shared_ptr<Model> &model, int position)
{
    if (position < 1 || position > model->sheets.size())
        return nullptr;
    return makeSheet(model, model->sheets.at(position - 1));
}

class SheetsNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("sheets"); }
    ObjectKind kind() const override { return ObjectKind::Sheets; }

protected:
    QVariant onGet(Member member) override
    {
        return member == Member::Count ? QVariant(int(m_model->sheets.size())) : QVariant();
    }
    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &args) override
    {
        return member == Member::Item ? sheetAt(m_model, args.value(0).toInt()) : nullptr;
    }
    QVariant onCall(Member member, const QVariantList &) override
    {
        if (member == Member::Add) {
            int n = 1;
            while (m_model->sheet(QStringLiteral("Sheet%1").arg(n)))
                ++n;
            auto sheet = std::make_shared<Sheet>();
            sheet->name = QStringLiteral("Sheet%1").arg(n);
            m_model->sheets.prepend(sheet);
        }
        return true;
    }
};

// One custom document property, by its name.
class DocumentPropertyNode : public Node
{
public:
    DocumentPropertyNode(std::shared_ptr<Model> model, QString name) : Node(std::move(model)), m_name(std::move(name)) {}
    QString label() const override { return QStringLiteral("property:") + m_name; }
    ObjectKind kind() const override { return ObjectKind::DocumentProperty; }

protected:
    QVariant onGet(Member member) override
    {
        for (const auto &property : m_model->customProperties) {
            if (property.first == m_name)
                return member == Member::Name ? QVariant(property.first) : QVariant(property.second);
        }
        return QVariant();
    }
    QVariant onCall(Member member, const QVariantList &) override
    {
        if (member != Member::Delete)
            return QVariant();
        for (int i = 0; i < m_model->customProperties.size(); ++i) {
            if (m_model->customProperties.at(i).first == m_name) {
                m_model->customProperties.removeAt(i);
                return true;
            }
        }
        return QVariant();
    }

private:
    QString m_name;
};

class DocumentPropertiesNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("properties"); }
    ObjectKind kind() const override { return ObjectKind::DocumentProperties; }

protected:
    QVariant onGet(Member member) override
    {
        return member == Member::Count ? QVariant(int(m_model->customProperties.size())) : QVariant();
    }
    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &args) override
    {
        if (member != Member::Item)
            return nullptr;
        const QVariant which = args.value(0);
        const QString name = which.type() == QVariant::String
            ? which.toString()
            : m_model->customProperties.value(which.toInt() - 1).first;
        return name.isEmpty() ? nullptr : std::make_shared<DocumentPropertyNode>(m_model, name);
    }
    QVariant onCall(Member member, const QVariantList &args) override
    {
        if (member != Member::Add)
            return QVariant();
        m_model->customProperties.append({args.value(0).toString(), args.value(3).toString()});
        return true;
    }
};

class WorkbookNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("workbook"); }
    ObjectKind kind() const override { return ObjectKind::Workbook; }

protected:
    QVariant onGet(Member member) override
    {
        switch (member) {
        case Member::ProtectStructure:
            return m_model->structureLocked;
        case Member::SourceDamaged:
            return m_model->sourceDamaged;
        default:
            return QVariant();
        }
    }
    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &args) override
    {
        switch (member) {
        case Member::Sheets:
            return std::make_shared<SheetsNode>(m_model);
        case Member::WorkSheets:
            return sheetAt(m_model, args.value(0).toInt());
        case Member::CustomDocumentProperties:
            return std::make_shared<DocumentPropertiesNode>(m_model);
        default:
            return nullptr;
        }
    }
    bool onSet(Member member, const QVariant &value) override
    {
        if (member == Member::Password)
            m_model->openPassword = value.toString();
        return true;
    }
    QVariant onCall(Member member, const QVariantList &args) override
    {
        switch (member) {
        case Member::Protect:
            m_model->structurePassword = args.value(0).toString();
            m_model->structureLocked = true;
            return true;
        case Member::Unprotect:
            if (m_model->structureLocked && args.value(0).toString() != m_model->structurePassword)
                return QVariant();
            m_model->structureLocked = false;
            return true;
        case Member::SaveAs:
            if (!m_model->saveSucceeds)
                return QVariant();
            m_model->savedPath = args.value(0).toString();
            m_model->savedFormat = args.value(1).toInt();
            return true;
        case Member::Close:
            m_model->closed = true;
            return true;
        default:
            return true;
        }
    }
};

class WorkbooksNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("workbooks"); }
    ObjectKind kind() const override { return ObjectKind::Workbooks; }

protected:
    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &args) override
    {
        if (member != Member::Open || !m_model->openSucceeds)
            return nullptr;
        m_model->openedPath = args.value(0).toString();
        return std::make_shared<WorkbookNode>(m_model);
    }
};

class ApplicationNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("app"); }
    ObjectKind kind() const override { return ObjectKind::Application; }
    void abort() override
    {
        m_model->aborted = true;
        m_model->disconnected = true;
    }

protected:
    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &) override
    {
        if (member == Member::WorkBooks && m_model->workbooksAvailable)
            return std::make_shared<WorkbooksNode>(m_model);
        return nullptr;
    }
};

} // namespace

QVariant Node::call(const MemberText &member, const QVariantList &args)
{
    record("D", QString::fromLatin1(member.text()), args);
    if (m_model->disconnected)
        return QVariant();
    const CatalogueMember *entry = catalogueEntry('D', kind(), member.name());
    return entry ? onCall(entry->id, args) : QVariant(true);
}

std::shared_ptr<AutomationNode> Node::query(const MemberText &member, const QVariantList &args)
{
    record("Q", QString::fromLatin1(member.text()), args);
    if (m_model->disconnected)
        return nullptr;
    const CatalogueMember *entry = catalogueEntry('Q', kind(), member.name());
    return entry ? onQuery(entry->id, args) : nullptr;
}

QVariant Node::get(const QByteArray &name)
{
    record("P", QString::fromLatin1(name), {});
    if (m_model->disconnected)
        return QVariant();
    const CatalogueMember *entry = catalogueEntry('P', kind(), name);
    return entry ? onGet(entry->id) : QVariant();
}

bool Node::set(const QByteArray &name, const QVariant &value)
{
    record("S", QString::fromLatin1(name), {value});
    if (m_model->disconnected)
        return false;
    const CatalogueMember *entry = catalogueEntry('S', kind(), name);
    return entry ? onSet(entry->id, value) : true;
}

void Node::record(const char *access, const QString &member, const QVariantList &args)
{
    QStringList shown;
    for (const QVariant &a : args) {
        auto node = std::dynamic_pointer_cast<Node>(nodeOf(a));
        shown << (node ? node->label() : a.toString());
    }
    m_model->operations << Operation{QLatin1String(access), label(), member, shown};
    if (!m_model->disconnectAtMember.isEmpty() && member.toLatin1() == m_model->disconnectAtMember
        && ++m_model->occurrences == m_model->disconnectAtOccurrence)
        m_model->disconnected = true;
    if (m_model->hook && member.toLatin1() == m_model->hookAtMember
        && ++m_model->hookOccurrences == m_model->hookAtOccurrence) {
        const std::function<void()> hook = std::move(m_model->hook);
        m_model->hook = nullptr;
        hook();
    }
}

QStringList Sheet::row(int r, int columns) const
{
    QStringList cells;
    for (int c = 1; c <= columns; ++c)
        cells << values.value({r, c});
    return cells;
}

std::shared_ptr<Sheet> Model::sheet(const QString &name) const
{
    for (const auto &s : sheets) {
        if (s->name == name)
            return s;
    }
    return nullptr;
}

QStringList Model::sheetNames() const
{
    QStringList names;
    for (const auto &s : sheets)
        names << s->name;
    return names;
}

QString Operation::line() const
{
    QString text = kind + QLatin1Char(' ') + object + QLatin1Char(' ') + member;
    if (!args.isEmpty())
        text += QStringLiteral(" [") + args.join(QStringLiteral(", ")) + QLatin1Char(']');
    return text;
}

QStringList Model::log() const
{
    QStringList lines;
    for (const Operation &op : operations)
        lines << op.line();
    return lines;
}

QStringList Model::linesOf(const QString &member) const
{
    QStringList lines;
    for (const Operation &op : operations) {
        if (op.member == member)
            lines << op.line();
    }
    return lines;
}

QSet<QString> Model::memberTexts() const
{
    QSet<QString> texts;
    for (const Operation &op : operations)
        texts.insert(op.kind + QLatin1Char(' ') + op.member);
    return texts;
}

std::shared_ptr<Model> modelWithSummary(const QStringList &rows)
{
    auto model = std::make_shared<Model>();
    auto summary = std::make_shared<Sheet>();
    summary->name = QStringLiteral("Summary");
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows.at(r).split(QLatin1Char('|'));
        for (int c = 0; c < cells.size(); ++c) {
            if (!cells.at(c).isEmpty())
                summary->values[{r + 1, c + 1}] = cells.at(c);
        }
    }
    model->sheets << summary;
    return model;
}

std::shared_ptr<AutomationNode> makeApplication(const std::shared_ptr<Model> &model)
{
    return std::make_shared<ApplicationNode>(model);
}

RecordingBackend::RecordingBackend(std::shared_ptr<Model> model)
    : m_model(std::move(model))
{
    std::shared_ptr<Model> shared = m_model;
    registerBackend(QStringLiteral("Excel.Application"),
                    [shared](const QString &) { return makeApplication(shared); });
}

RecordingBackend::~RecordingBackend()
{
    unregisterBackend(QStringLiteral("Excel.Application"));
}

QString a1Address(int top, int left, int rows, int columns)
{
    const QString first = letters(left) + QString::number(top);
    if (rows <= 1 && columns <= 1)
        return first;
    return first + QLatin1Char(':') + letters(left + columns - 1) + QString::number(top + rows - 1);
}

} // namespace recording
