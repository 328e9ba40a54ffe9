#include "engine_RecordingBackend.h"
#include "FilterCriterion.h"

#include "MemberText.h"

#include <QRegularExpression>

#include <algorithm>

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

int columnOf(const QString &text)
{
    int number = 0;
    for (QChar c : text)
        number = number * 26 + (c.toUpper().unicode() - 'A' + 1);
    return number;
}

// Every node knows its model and how it shows in the log.
class Node : public AutomationNode
{
public:
    explicit Node(std::shared_ptr<Model> model) : m_model(std::move(model)) {}

    virtual QString label() const = 0;

    QVariant call(const MemberText &member, const QVariantList &args) override
    {
        record("D", QString::fromLatin1(member.text()), args);
        if (m_model->disconnected)
            return QVariant();
        return onCall(member, args);
    }
    std::shared_ptr<AutomationNode> query(const MemberText &member, const QVariantList &args) override
    {
        record("Q", QString::fromLatin1(member.text()), args);
        if (m_model->disconnected)
            return nullptr;
        return onQuery(member, args);
    }
    QVariant get(const QByteArray &name) override
    {
        record("P", QString::fromLatin1(name), {});
        if (m_model->disconnected)
            return QVariant();
        return onGet(name);
    }
    bool set(const QByteArray &name, const QVariant &value) override
    {
        record("S", QString::fromLatin1(name), {value});
        if (m_model->disconnected)
            return false;
        return onSet(name, value);
    }
    bool disconnected() const override { return m_model->disconnected; }

protected:
    virtual QVariant onCall(const MemberText &, const QVariantList &) { return true; }
    virtual std::shared_ptr<AutomationNode> onQuery(const MemberText &, const QVariantList &) { return nullptr; }
    virtual QVariant onGet(const QByteArray &) { return QVariant(); }
    virtual bool onSet(const QByteArray &, const QVariant &) { return true; }

    std::shared_ptr<Model> m_model;

private:
    void record(const char *kind, const QString &member, const QVariantList &args)
    {
        QStringList shown;
        for (const QVariant &a : args) {
            auto node = std::dynamic_pointer_cast<Node>(nodeOf(a));
            shown << (node ? node->label() : a.toString());
        }
        m_model->operations << Operation{QLatin1String(kind), label(), member, shown};
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
};

class CountNode : public Node
{
public:
    CountNode(std::shared_ptr<Model> model, QString label, int count)
        : Node(std::move(model)), m_label(std::move(label)), m_count(count) {}
    QString label() const override { return m_label; }

protected:
    QVariant onGet(const QByteArray &name) override { return name == "Count" ? QVariant(m_count) : QVariant(); }

private:
    QString m_label;
    int m_count;
};

// A block of cells, or a list of whole rows (what SpecialCells and EntireRow give).
class RangeNode : public Node
{
public:
    RangeNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet, int top, int left, int rows, int columns)
        : Node(std::move(model)), m_sheet(std::move(sheet)), m_top(top), m_left(left), m_rows(rows), m_columns(columns) {}
    RangeNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet, QList<int> rowList, bool entireRows)
        : Node(std::move(model)), m_sheet(std::move(sheet)), m_rowList(std::move(rowList)), m_entireRows(entireRows)
    {
        m_top = m_rowList.isEmpty() ? 0 : m_rowList.first();
    }

    QString label() const override
    {
        if (!m_rowList.isEmpty()) {
            QStringList rows;
            for (int r : m_rowList)
                rows << QString::number(r);
            return QStringLiteral("rows:%1!%2").arg(m_sheet->name, rows.join(QLatin1Char(',')));
        }
        return QStringLiteral("range:%1!%2").arg(m_sheet->name, a1Address(m_top, m_left, m_rows, m_columns));
    }

protected:
    QVariant onGet(const QByteArray &name) override
    {
        if (name == "Row")
            return m_top;
        if (name == "Column")
            return m_left;
        if (name == "Text")
            return m_sheet->values.value({m_top, m_left});
        return QVariant();
    }

    bool onSet(const QByteArray &name, const QVariant &) override
    {
        if (name == "Locked" || name == "FormulaHidden") {
            const QString address = a1Address(m_top, m_left, m_rows, m_columns);
            if (!m_sheet->lockedRanges.contains(address))
                m_sheet->lockedRanges << address;
        }
        return true;
    }

    std::shared_ptr<AutomationNode> onQuery(const MemberText &member, const QVariantList &args) override
    {
        if (member.is("Rows"))
            return std::make_shared<CountNode>(m_model, QStringLiteral("rows-of:") + label(), m_rows);
        if (member.is("Columns"))
            return std::make_shared<CountNode>(m_model, QStringLiteral("columns-of:") + label(), m_columns);
        if (member.is("Cells"))
            return std::make_shared<RangeNode>(m_model, m_sheet, m_top, m_left, m_rows, m_columns);
        if (member.is("End") && args.value(0).toInt() == 3) {
            int row = m_top;
            while (row > 1 && m_sheet->values.value({row, m_left}).isEmpty())
                --row;
            return std::make_shared<RangeNode>(m_model, m_sheet, row, m_left, 1, 1);
        }
        if (member.is("SpecialCells") && args.value(0).toInt() == 12) {
            QList<int> visible;
            for (int r = m_top; r < m_top + m_rows; ++r) {
                if (!m_sheet->hiddenRows.contains(r))
                    visible << r;
            }
            if (visible.isEmpty())
                return nullptr;
            return std::make_shared<RangeNode>(m_model, m_sheet, visible, false);
        }
        if (member.is("MergeArea"))
            return std::make_shared<RangeNode>(m_model, m_sheet, m_top, m_left, 1, 1);
        if (member.is("EntireRow") && !m_rowList.isEmpty())
            return std::make_shared<RangeNode>(m_model, m_sheet, m_rowList, true);
        return nullptr;
    }

    QVariant onCall(const MemberText &member, const QVariantList &args) override
    {
        const Cell cell{m_top, m_left};
        if (member.is("Row"))
            return m_top;
        if (member.is("Value"))
            return m_sheet->values.value(cell);
        if (member.is("SetValue")) {
            // A leading apostrophe marks a text, as in the application.
            QString value = args.value(0).toString();
            if (value.startsWith(QLatin1Char('\'')))
                value.remove(0, 1);
            m_sheet->values[cell] = value;
            return true;
        }
        if (member.is("SetFormula") || member.is("SetFormulaR1C1")) {
            m_sheet->formulas[cell] = args.value(0).toString();
            return true;
        }
        if (member.is("FormulaR1C1")) {
            const QString formula = m_sheet->formulas.value(cell);
            return formula.startsWith(QLatin1String("R1C1[")) ? formula : QStringLiteral("R1C1[%1]").arg(formula);
        }
        if (member.is("AutoFilter"))
            return autoFilter(args);
        if (member.is("Delete") && m_entireRows) {
            deleteRows();
            return true;
        }
        return true;
    }

private:
    QVariant autoFilter(const QVariantList &args)
    {
        m_sheet->hiddenRows.clear();
        if (args.size() < 2)
            return true;
        const std::optional<QString> excludedText = excludedValue(args.at(1).toString());
        if (!excludedText)
            return true;
        const QString &excluded = *excludedText;
        // A block given whole is the filter's region, its first row the header.
        if (m_rows > 1 || m_columns > 1) {
            const int column = m_left + args.at(0).toInt() - 1;
            for (int r = m_top + 1; r < m_top + m_rows; ++r) {
                if (m_sheet->values.value({r, column}) == excluded)
                    m_sheet->hiddenRows.insert(r);
            }
            return true;
        }
        int lastRow = 0, firstColumn = 1 << 30;
        for (auto it = m_sheet->values.cbegin(); it != m_sheet->values.cend(); ++it) {
            if (it.value().isEmpty())
                continue;
            lastRow = std::max(lastRow, it.key().first);
            firstColumn = std::min(firstColumn, it.key().second);
        }
        const int column = firstColumn + args.at(0).toInt() - 1;
        for (int r = m_top; r <= lastRow; ++r) {
            if (m_sheet->values.value({r, column}) == excluded)
                m_sheet->hiddenRows.insert(r);
        }
        return true;
    }

    void deleteRows()
    {
        QList<int> rows = m_rowList;
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (int gone : rows) {
            for (QMap<Cell, QString> *grid : {&m_sheet->values, &m_sheet->formulas}) {
                QMap<Cell, QString> moved;
                for (auto it = grid->cbegin(); it != grid->cend(); ++it) {
                    const int r = it.key().first;
                    if (r < gone)
                        moved.insert(it.key(), it.value());
                    else if (r > gone)
                        moved.insert({r - 1, it.key().second}, it.value());
                }
                *grid = moved;
            }
        }
        m_sheet->hiddenRows.clear();
    }

    std::shared_ptr<Sheet> m_sheet;
    int m_top = 0;
    int m_left = 0;
    int m_rows = 0;
    int m_columns = 0;
    QList<int> m_rowList;
    bool m_entireRows = false;
};

class ListNode : public Node
{
public:
    ListNode(std::shared_ptr<Model> model, QString label, std::shared_ptr<Sheet> sheet, QStringList Sheet::*list)
        : Node(std::move(model)), m_label(std::move(label)), m_sheet(std::move(sheet)), m_list(list) {}
    QString label() const override { return m_label; }

protected:
    QVariant onCall(const MemberText &member, const QVariantList &args) override
    {
        if (!member.is("Add"))
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

private:
    QString m_label;
    std::shared_ptr<Sheet> m_sheet;
    QStringList Sheet::*m_list;
};

class ProtectionNode : public Node
{
public:
    ProtectionNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet)
        : Node(std::move(model)), m_sheet(std::move(sheet)) {}
    QString label() const override { return QStringLiteral("protection:") + m_sheet->name; }

protected:
    std::shared_ptr<AutomationNode> onQuery(const MemberText &member, const QVariantList &) override
    {
        if (member.is("AllowEditRanges"))
            return std::make_shared<ListNode>(m_model, QStringLiteral("editranges:") + m_sheet->name, m_sheet,
                                              &Sheet::editableRanges);
        return nullptr;
    }

private:
    std::shared_ptr<Sheet> m_sheet;
};

class SheetNode : public Node
{
public:
    SheetNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet)
        : Node(std::move(model)), m_sheet(std::move(sheet)) {}
    QString label() const override { return QStringLiteral("sheet:") + m_sheet->name; }
    const std::shared_ptr<Sheet> &sheet() const { return m_sheet; }

protected:
    QVariant onGet(const QByteArray &name) override
    {
        return name == "Name" ? QVariant(m_sheet->name) : QVariant();
    }

    bool onSet(const QByteArray &name, const QVariant &value) override
    {
        if (name != "Name")
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

    std::shared_ptr<AutomationNode> onQuery(const MemberText &member, const QVariantList &args) override
    {
        if (member.is("UsedRange"))
            return usedRange();
        if (member.is("Cells"))
            return std::make_shared<RangeNode>(m_model, m_sheet, args.value(0).toInt(), args.value(1).toInt(), 1, 1);
        if (member.is("Range"))
            return range(args.value(0).toString());
        if (member.is("Hyperlinks"))
            return std::make_shared<ListNode>(m_model, QStringLiteral("hyperlinks:") + m_sheet->name, m_sheet,
                                              &Sheet::hyperlinks);
        if (member.is("Protection"))
            return std::make_shared<ProtectionNode>(m_model, m_sheet);
        return nullptr;
    }

    QVariant onCall(const MemberText &member, const QVariantList &args) override
    {
        if (member.is("Copy"))
            return copyBefore(args.value(0));
        if (member.is("Move"))
            return moveBefore(args.value(0));
        if (member.is("Protect")) {
            m_sheet->isProtected = true;
            m_sheet->password = args.value(0).toString();
        }
        return true;
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
            return std::make_shared<RangeNode>(m_model, m_sheet, 1, 1, 1, 1);
        return std::make_shared<RangeNode>(m_model, m_sheet, top, left, bottom - top + 1, right - left + 1);
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
        return std::make_shared<RangeNode>(m_model, m_sheet, top, left, bottom - top + 1, right - left + 1);
    }

    std::shared_ptr<Sheet> m_sheet;
};

class SheetsNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("sheets"); }

protected:
    QVariant onGet(const QByteArray &name) override
    {
        return name == "Count" ? QVariant(int(m_model->sheets.size())) : QVariant();
    }
    std::shared_ptr<AutomationNode> onQuery(const MemberText &member, const QVariantList &args) override
    {
        const int position = args.value(0).toInt();
        if (member.is("Item") && position >= 1 && position <= m_model->sheets.size())
            return std::make_shared<SheetNode>(m_model, m_model->sheets.at(position - 1));
        return nullptr;
    }
    QVariant onCall(const MemberText &member, const QVariantList &) override
    {
        if (member.is("Add")) {
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

class WorkbookNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("workbook"); }

protected:
    std::shared_ptr<AutomationNode> onQuery(const MemberText &member, const QVariantList &args) override
    {
        if (member.is("Sheets"))
            return std::make_shared<SheetsNode>(m_model);
        const int position = args.value(0).toInt();
        if (member.is("WorkSheets") && position >= 1 && position <= m_model->sheets.size())
            return std::make_shared<SheetNode>(m_model, m_model->sheets.at(position - 1));
        return nullptr;
    }
    bool onSet(const QByteArray &name, const QVariant &value) override
    {
        if (name == "Password")
            m_model->openPassword = value.toString();
        return true;
    }
    QVariant onCall(const MemberText &member, const QVariantList &args) override
    {
        if (member.is("Protect"))
            m_model->structurePassword = args.value(0).toString();
        if (member.is("SaveAs")) {
            if (!m_model->saveSucceeds)
                return QVariant();
            m_model->savedPath = args.value(0).toString();
            m_model->savedFormat = args.value(1).toInt();
        }
        if (member.is("Close"))
            m_model->closed = true;
        return true;
    }
};

class WorkbooksNode : public Node
{
public:
    using Node::Node;
    QString label() const override { return QStringLiteral("workbooks"); }

protected:
    std::shared_ptr<AutomationNode> onQuery(const MemberText &member, const QVariantList &args) override
    {
        if (!member.is("Open") || !m_model->openSucceeds)
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
    void abort() override
    {
        m_model->aborted = true;
        m_model->disconnected = true;
    }

protected:
    std::shared_ptr<AutomationNode> onQuery(const MemberText &member, const QVariantList &) override
    {
        if (member.is("WorkBooks") && m_model->workbooksAvailable)
            return std::make_shared<WorkbooksNode>(m_model);
        return nullptr;
    }
};

} // namespace

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
