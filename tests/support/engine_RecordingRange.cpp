#include "engine_RecordingNode.h"

#include "FilterCriterion.h"

#include <algorithm>

// The recording backend's cells: blocks, lists of rows, and the counts of
// their rows and columns.
namespace recording {

namespace {

class CountNode : public Node
{
public:
    CountNode(std::shared_ptr<Model> model, QString label, int count)
        : Node(std::move(model)), m_label(std::move(label)), m_count(count) {}
    QString label() const override { return m_label; }
    ObjectKind kind() const override { return ObjectKind::Range; }

protected:
    QVariant onGet(Member member) override { return member == Member::Count ? QVariant(m_count) : QVariant(); }

private:
    QString m_label;
    int m_count;
};

// A block of cells, or a list of whole rows (what SpecialCells and EntireRow give).
class RangeNode : public SheetBoundNode
{
public:
    RangeNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet, int top, int left, int rows, int columns)
        : SheetBoundNode(std::move(model), std::move(sheet)), m_top(top), m_left(left), m_rows(rows), m_columns(columns) {}
    RangeNode(std::shared_ptr<Model> model, std::shared_ptr<Sheet> sheet, QList<int> rowList, bool entireRows)
        : SheetBoundNode(std::move(model), std::move(sheet)), m_rowList(std::move(rowList)), m_entireRows(entireRows)
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
    ObjectKind kind() const override { return ObjectKind::Range; }

protected:
    QVariant onGet(Member member) override
    {
        switch (member) {
        case Member::Row:
            return m_top;
        case Member::Column:
            return m_left;
        case Member::Text:
            return m_sheet->values.value({m_top, m_left});
        default:
            return QVariant();
        }
    }

    bool onSet(Member member, const QVariant &) override
    {
        if (member == Member::Locked || member == Member::FormulaHidden) {
            const QString address = a1Address(m_top, m_left, m_rows, m_columns);
            if (!m_sheet->lockedRanges.contains(address))
                m_sheet->lockedRanges << address;
        }
        return true;
    }

    std::shared_ptr<AutomationNode> onQuery(Member member, const QVariantList &args) override
    {
        switch (member) {
        case Member::Rows:
            return std::make_shared<CountNode>(m_model, QStringLiteral("rows-of:") + label(), m_rows);
        case Member::Columns:
            return std::make_shared<CountNode>(m_model, QStringLiteral("columns-of:") + label(), m_columns);
        case Member::Cells:
            return std::make_shared<RangeNode>(m_model, m_sheet, m_top, m_left, m_rows, m_columns);
        case Member::End: {
            if (args.value(0).toInt() != 3)
                return nullptr;
            int row = m_top;
            while (row > 1 && m_sheet->values.value({row, m_left}).isEmpty())
                --row;
            return std::make_shared<RangeNode>(m_model, m_sheet, row, m_left, 1, 1);
        }
        case Member::SpecialCells: {
            if (args.value(0).toInt() != 12)
                return nullptr;
            QList<int> visible;
            for (int r = m_top; r < m_top + m_rows; ++r) {
                if (!m_sheet->hiddenRows.contains(r))
                    visible << r;
            }
            if (visible.isEmpty())
                return nullptr;
            return std::make_shared<RangeNode>(m_model, m_sheet, visible, false);
        }
        case Member::MergeArea:
            return std::make_shared<RangeNode>(m_model, m_sheet, m_top, m_left, 1, 1);
        case Member::EntireRow:
            if (m_rowList.isEmpty())
                return nullptr;
            return std::make_shared<RangeNode>(m_model, m_sheet, m_rowList, true);
        default:
            return nullptr;
        }
    }

    QVariant onCall(Member member, const QVariantList &args) override
    {
        const Cell cell{m_top, m_left};
        switch (member) {
        case Member::Row:
            return m_top;
        case Member::Value: {
            if (m_rows == 1 && m_columns == 1)
                return m_sheet->values.value(cell);
            // A block's values, rows of values, as the application gives them.
            QVariantList rows;
            for (int r = m_top; r < m_top + m_rows; ++r) {
                QVariantList values;
                for (int c = m_left; c < m_left + m_columns; ++c)
                    values << m_sheet->values.value({r, c});
                rows << QVariant(values);
            }
            return rows;
        }
        case Member::SetValue: {
            // A block takes rows of values at once.
            if (args.value(0).type() == QVariant::List) {
                const QVariantList rows = args.value(0).toList();
                for (int r = 0; r < rows.size(); ++r)
                    for (int c = 0; c < rows.at(r).toList().size(); ++c)
                        m_sheet->values[{m_top + r, m_left + c}] = rows.at(r).toList().at(c).toString();
                return true;
            }
            // A leading apostrophe marks a text, as in the application.
            QString value = args.value(0).toString();
            if (value.startsWith(QLatin1Char('\'')))
                value.remove(0, 1);
            m_sheet->values[cell] = value;
            return true;
        }
        case Member::SetFormula:
        case Member::SetFormulaR1C1:
            m_sheet->formulas[cell] = args.value(0).toString();
            return true;
        case Member::FormulaR1C1: {
            const QString formula = m_sheet->formulas.value(cell);
            return formula.startsWith(QLatin1String("R1C1[")) ? formula : QStringLiteral("R1C1[%1]").arg(formula);
        }
        case Member::AutoFilter:
            return autoFilter(args);
        case Member::Delete:
            // Only whole rows go; a block of cells stays as it is.
            if (m_entireRows)
                deleteRows();
            return true;
        default:
            return true;
        }
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

    int m_top = 0;
    int m_left = 0;
    int m_rows = 0;
    int m_columns = 0;
    QList<int> m_rowList;
    bool m_entireRows = false;
};

} // namespace

std::shared_ptr<AutomationNode> makeRange(const std::shared_ptr<Model> &model, const std::shared_ptr<Sheet> &sheet,
                                          int top, int left, int rows, int columns)
{
    return std::make_shared<RangeNode>(model, sheet, top, left, rows, columns);
}

} // namespace recording
