#include "LinkResultPull.h"

#include "MemberCatalogue.h"

#include "RecordPull.h"
#include "SheetGeometry.h"
#include "SummaryScan.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <QHash>
#include <QSet>
#include <memory>

namespace {

// The cells of a block, rows of values, from a single read.
QList<QVariantList> readBlock(AutomationObject *sheet, int top, int left, int bottom, int right)
{
    QList<QVariantList> rows;
    if (bottom < top || right < left)
        return rows;
    const std::unique_ptr<AutomationObject> block(
        sheet->querySubObject("Range(const QString&)", blockAddress(top, left, bottom, right)));
    const QVariant values = block ? block->dynamicCall("Value()") : QVariant();
    if (values.type() != QVariant::List) {
        rows.append(QVariantList{values});
        return rows;
    }
    for (const QVariant &row : values.toList())
        rows.append(row.toList());
    return rows;
}

QString text(const QVariantList &row, int column)
{
    return row.value(column - 1).toString();
}

} // namespace

// Where the summary's table stands, measured as the scan does, and its
// category and key cells from the first data row to the last used row. Each
// column is read alone: the lookups in the other columns are not computed.
struct SummaryShape
{
    int firstDataRow = 0;
    int lastDataRow = 0;
    int usedLastRow = 0;
    int width = 0;
    QStringList categories;
    QStringList keys;

    QString categoryOf(int row) const { return categories.value(row - firstDataRow); }
    QString keyOf(int row) const { return keys.value(row - firstDataRow); }
};

namespace {

QStringList columnTexts(AutomationObject *sheet, int column, int top, int bottom)
{
    QStringList texts;
    for (const QVariantList &row : readBlock(sheet, top, column, bottom, column))
        texts << row.value(0).toString();
    return texts;
}

SummaryShape measureSummary(AutomationObject *summary, const ResultMark &mark)
{
    SummaryShape shape;
    const std::unique_ptr<AutomationObject> used(summary->querySubObject("UsedRange"));
    const int usedFirstRow = used ? used->property("Row").toInt() : 1;
    shape.usedLastRow = usedFirstRow + countOf(used.get(), "Rows") - 1;
    const int usedLastColumn = (used ? used->property("Column").toInt() : 1) + countOf(used.get(), "Columns") - 1;
    shape.width = qMax(usedLastColumn, qMax(mark.classifyColumn, mark.lookupColumn));
    shape.firstDataRow = (mark.headerRows ? qMax(*mark.headerRows, usedFirstRow) : usedFirstRow) + 1;
    shape.categories = columnTexts(summary, mark.classifyColumn, shape.firstDataRow, shape.usedLastRow);
    shape.keys = columnTexts(summary, mark.lookupColumn, shape.firstDataRow, shape.usedLastRow);
    // The last filled category cell, as the scan finds it.
    shape.lastDataRow = shape.firstDataRow - 1;
    for (int i = shape.categories.size() - 1; i >= 0; --i) {
        if (!shape.categories.at(i).isEmpty()) {
            shape.lastDataRow = shape.firstDataRow + i;
            break;
        }
    }
    return shape;
}

bool holdsAnything(const QVariantList &row)
{
    for (const QVariant &value : row) {
        if (!value.toString().isEmpty())
            return true;
    }
    return false;
}

// The record rows of one category sheet. A row without a category cell
// whose key is one of the summary's rows below its table is that row's
// copy (a totals row), not a record; so are as many rows without a key or
// a category as the summary has under its table. Any other row that holds
// something without a key would be lost: its number is returned (0 when
// there is none).
int readSheetRecords(AutomationObject *sheet, const SummaryShape &shape, const ResultMark &mark,
                     const QSet<QString> &tailKeys, int tailRows, QList<SheetRecord> &records)
{
    const QString name = sheet->property("Name").toString();
    const std::unique_ptr<AutomationObject> used(sheet->querySubObject("UsedRange"));
    const int lastRow = used ? used->property("Row").toInt() + countOf(used.get(), "Rows") - 1 : 0;
    const QList<QVariantList> rows = readBlock(sheet, shape.firstDataRow, 1, lastRow, shape.width);
    // The sheet's category: the one most of its rows name, so that a record
    // moved away from the first row does not speak for the sheet.
    QHash<QString, int> named;
    QString sheetCategory;
    for (const QVariantList &row : rows) {
        const QString category = text(row, mark.classifyColumn);
        if (!category.isEmpty() && ++named[category] > named.value(sheetCategory))
            sheetCategory = category;
    }
    for (int i = 0; i < rows.size(); ++i) {
        const QVariantList &row = rows.at(i);
        SheetRecord record{name, shape.firstDataRow + i, text(row, mark.lookupColumn),
                           text(row, mark.classifyColumn), row};
        if (record.key.isEmpty() && holdsAnything(row) && (!record.category.isEmpty() || tailRows-- <= 0))
            return record.row;
        if (record.key.isEmpty() || (record.category.isEmpty() && tailKeys.contains(record.key)))
            continue;
        // A row typed below the records may leave its category to the sheet.
        if (record.category.isEmpty())
            record.category = sheetCategory.isEmpty() ? name : sheetCategory;
        record.values = record.values.mid(0, shape.width);
        while (record.values.size() < shape.width)
            record.values << QVariant();
        record.values[mark.classifyColumn - 1] = record.category;
        records << record;
    }
    return 0;
}

bool holdsFormula(AutomationObject *summary, int row, int column)
{
    const std::unique_ptr<AutomationObject> cell(summary->querySubObject("Cells(int,int)", row, column));
    return cell && cell->dynamicCall("FormulaR1C1()").toString().startsWith(QLatin1Char('='));
}

bool writeValues(AutomationObject *sheet, int top, int left, const QList<QVariantList> &rows)
{
    if (rows.isEmpty() || rows.first().isEmpty())
        return true;
    QVariantList block;
    for (const QVariantList &row : rows)
        block << QVariant(row);
    const std::unique_ptr<AutomationObject> range(sheet->querySubObject(
        "Range(const QString&)",
        blockAddress(top, left, top + rows.size() - 1, left + rows.first().size() - 1)));
    return range && range->dynamicCall("SetValue(const QVariant&)", QVariant(block)).isValid();
}

// Each kept record's editable columns, one write per run of adjacent rows;
// then every other cell of it that its sheet shows otherwise (its category,
// or a value changed where the sheet's protection was lifted), unless the
// summary computes that cell by a formula of its own.
bool writeUpdates(AutomationObject *summary, const RecordPull &plan, const QList<SheetRecord> &records,
                  const QHash<int, QStringList> &summaryTexts, int firstDataRow, const BlockGeometry &editable)
{
    QList<QVariantList> run;
    int runTop = 0;
    auto flush = [&] {
        const bool ok = writeValues(summary, runTop, editable.leftColumn, run);
        run.clear();
        return ok;
    };
    for (const auto &update : plan.updates) {
        const SheetRecord &record = records.at(update.second);
        if (!run.isEmpty() && runTop + run.size() != update.first && !flush())
            return false;
        if (run.isEmpty())
            runTop = update.first;
        run << record.values.mid(editable.leftColumn - 1, editable.columnCount);
    }
    if (!flush())
        return false;
    for (const auto &update : plan.updates) {
        const SheetRecord &record = records.at(update.second);
        for (auto column = summaryTexts.cbegin(); column != summaryTexts.cend(); ++column) {
            const QVariant value = record.values.value(column.key() - 1);
            if (value.toString() == column.value().value(update.first - firstDataRow)
                || holdsFormula(summary, update.first, column.key()))
                continue;
            if (!writeValues(summary, update.first, column.key(), {{value}}))
                return false;
        }
    }
    return true;
}

// The rows of records that left, bottom first, one delete per run.
bool deleteLeaving(AutomationObject *summary, const QList<int> &rows)
{
    for (int i = rows.size() - 1; i >= 0;) {
        int top = rows.at(i);
        const int bottom = top;
        while (i > 0 && rows.at(i - 1) == top - 1)
            top = rows.at(--i);
        --i;
        const std::unique_ptr<AutomationObject> range(
            summary->querySubObject("Range(const QString&)", blockAddress(top, 1, bottom, 1)));
        AutomationObject *entire = range ? range->querySubObject("EntireRow") : nullptr;
        if (!entire || !entire->dynamicCall("Delete()").isValid())
            return false;
    }
    return true;
}

// New records from row `top` on: formatted as the record above when they
// follow it, the columns where it computes by formula given its formula,
// the others the values of the sheet row.
bool appendRecords(AutomationObject *summary, int top, bool belowLastRecord, const QList<SheetRecord> &added,
                   const BlockGeometry &editable, const ResultMark &mark, int width)
{
    if (added.isEmpty())
        return true;
    const int template_ = top - 1;
    QHash<int, QVariant> formulas;
    if (belowLastRecord) {
        const std::unique_ptr<AutomationObject> source(
            summary->querySubObject("Range(const QString&)", blockAddress(template_, 1, template_, width)));
        const std::unique_ptr<AutomationObject> target(summary->querySubObject(
            "Range(const QString&)", blockAddress(template_, 1, top + added.size() - 1, width)));
        // 3: formats only, as Excel's xlFillFormats.
        if (source && target)
            source->dynamicCall("AutoFill(const QVariant&,int)", target->asVariant(), Xl::fillFormats);
        for (int column = 1; column <= width; ++column) {
            const bool ownColumn = column == mark.classifyColumn || column == mark.lookupColumn
                                   || (column >= editable.leftColumn && column <= editable.lastColumn());
            const std::unique_ptr<AutomationObject> cell(summary->querySubObject("Cells(int,int)", template_, column));
            const QVariant formula = cell ? cell->dynamicCall("FormulaR1C1()") : QVariant();
            if (!ownColumn && formula.toString().startsWith(QLatin1Char('=')))
                formulas.insert(column, formula);
        }
    }
    for (int i = 0; i < added.size(); ++i) {
        const int row = top + i;
        for (int column = 1; column <= width;) {
            if (formulas.contains(column)) {
                const std::unique_ptr<AutomationObject> cell(summary->querySubObject("Cells(int,int)", row, column));
                if (!cell || !cell->dynamicCall("SetFormulaR1C1(const QVariant&)", formulas.value(column)).isValid())
                    return false;
                ++column;
                continue;
            }
            int end = column;
            while (end < width && !formulas.contains(end + 1))
                ++end;
            if (!writeValues(summary, row, column, {added.at(i).values.mid(column - 1, end - column + 1)}))
                return false;
            column = end + 1;
        }
    }
    return true;
}

} // namespace

LinkResultPull::LinkResultPull(JobState &job, AutomationObject *summary, const ResultMark &mark)
    : m_job(job), m_summary(summary), m_mark(mark)
{
}

LinkResultPull::~LinkResultPull() = default;

Outcome LinkResultPull::read(const QList<AutomationObject *> &categorySheets)
{
    m_job.report(Texts::pullingCategorySheets());
    m_shape = std::make_unique<SummaryShape>(measureSummary(m_summary, m_mark));
    const SummaryShape &shape = *m_shape;
    const std::unique_ptr<AutomationObject> editRange(
        m_summary->querySubObject("Range(const QVariant&)", m_mark.editRange));
    m_editable = readBlockGeometry(editRange.get());
    if (m_editable.columnCount < 1)
        return Outcome::stop(Texts::invalidEditRange());

    // Rows under the table (a totals row) stay where they are; new records
    // go above them, or below them when they hold anything.
    QSet<QString> tailKeys;
    for (int row = shape.lastDataRow + 1; row <= shape.usedLastRow; ++row) {
        if (!shape.keyOf(row).isEmpty())
            tailKeys << shape.keyOf(row);
    }
    int tailRows = 0;
    if (shape.usedLastRow > shape.lastDataRow) {
        for (const QVariantList &row : readBlock(m_summary, shape.lastDataRow + 1, 1, shape.usedLastRow, shape.width))
            tailRows += holdsAnything(row) ? 1 : 0;
    }
    m_tail = tailRows > 0;
    for (AutomationObject *sheet : categorySheets) {
        if (m_job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        const int keyless = readSheetRecords(sheet, shape, m_mark, tailKeys, tailRows, m_records);
        if (keyless)
            return Outcome::stop(Texts::updateRowWithoutKey(sheet->property("Name").toString(), keyless));
    }
    QSet<QString> keysOnSheets;
    QHash<QString, QString> sheetOfCategory;
    for (const SheetRecord &record : m_records) {
        keysOnSheets << record.key;
        if (!sheetOfCategory.contains(record.category))
            sheetOfCategory.insert(record.category, record.sheet);
    }
    // A row the earlier split linked holds its lookups still; one typed on
    // the summary since holds values. Asked only of keys no sheet holds.
    QList<SummaryRecord> summaryRecords;
    for (int row = shape.firstDataRow; row <= shape.lastDataRow; ++row) {
        SummaryRecord record{row, shape.keyOf(row), shape.categoryOf(row), true};
        if (record.key.isEmpty() || record.category.isEmpty())
            continue;
        if (!keysOnSheets.contains(record.key))
            record.looksUp = holdsFormula(m_summary, row, m_editable.leftColumn);
        summaryRecords << record;
    }
    // The summary's other cells, column by column, to tell what the sheets
    // changed; the key column is the same on both sides.
    for (int column = 1; column <= shape.width; ++column) {
        if (column != m_mark.lookupColumn
            && (column < m_editable.leftColumn || column > m_editable.lastColumn()))
            m_summaryTexts.insert(column, columnTexts(m_summary, column, shape.firstDataRow, shape.lastDataRow));
    }
    m_plan = planRecordPull(summaryRecords, m_records);
    if (m_plan.refused())
        return Outcome::stop(
            Texts::updateKeyTwice(m_plan.twiceKey, m_plan.twiceSheets.value(0), m_plan.twiceSheets.value(1)));

    // What each record stood on before, for the report.
    QHash<int, int> recordOfRow;
    for (const auto &update : m_plan.updates)
        recordOfRow.insert(update.first, update.second);
    for (const SummaryRecord &record : summaryRecords) {
        if (recordOfRow.contains(record.row))
            m_job.earlierSheetOfKey.insert(record.key, m_records.at(recordOfRow.value(record.row)).sheet);
        else if (record.looksUp)
            m_job.earlierSheetOfKey.insert(record.key, sheetOfCategory.value(record.category, record.category));
    }
    return Outcome::goOn();
}

Outcome LinkResultPull::write()
{
    const SummaryShape &shape = *m_shape;
    const Outcome failed = Outcome::stop(Texts::pullFailed());
    if (!writeUpdates(m_summary, m_plan, m_records, m_summaryTexts, shape.firstDataRow, m_editable)
        || !deleteLeaving(m_summary, m_plan.leaving))
        return failed;
    QList<SheetRecord> added;
    for (int index : m_plan.added)
        added << m_records.at(index);
    const int lastRecord = shape.lastDataRow - m_plan.leaving.size();
    const int top = m_tail ? shape.usedLastRow - m_plan.leaving.size() + 1 : lastRecord + 1;
    const bool belowLastRecord = !m_tail && lastRecord >= shape.firstDataRow;
    if (!appendRecords(m_summary, top, belowLastRecord, added, m_editable, m_mark, shape.width))
        return failed;
    return Outcome::goOn();
}
