#include "CategoryColumn.h"

#include "CellReference.h"

#include "IndexSheet.h"
#include "JobSettings.h"
#include "SheetGeometry.h"
#include "SheetNames.h"
#include "SummaryScan.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <memory>

Outcome readCategoryColumn(JobState &job)
{
    job.report(Texts::classifying());
    job.rowValues.clear();
    job.categories.clear();
    job.categoryByValue.clear();
    const int column = job.settings.classifyColumn;
    for (int row = job.table.firstDataRow; row <= job.table.lastDataRow; ++row) {
        if (job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        // One handle a row, let go at once: a long column would otherwise keep
        // them all until the job ends.
        const std::unique_ptr<AutomationObject> cell(job.summarySheet->querySubObject("Cells(int,int)", row, column));
        const QVariant value = cell ? cell->dynamicCall("Value()") : QVariant();
        const QString text = value.toString();
        job.rowValues << text;
        if (text.isEmpty())
            continue;
        const auto known = job.categoryByValue.constFind(text);
        if (known != job.categoryByValue.constEnd()) {
            ++job.categories[known.value()].recordCount;
            continue;
        }
        Category category;
        category.value = text;
        category.plainText = value.userType() == QMetaType::QString;
        category.recordCount = 1;
        // Dates and numbers are named as the cell shows them; a column too
        // narrow for the value shows only "#".
        category.sheetName = category.plainText ? text : cell->property("Text").toString();
        if (category.sheetName.count(QLatin1Char('#')) == category.sheetName.size())
            category.sheetName = text;
        job.categoryByValue.insert(text, job.categories.size());
        job.categories << category;
    }
    return Outcome::goOn();
}

Outcome checkMergedCategoryCells(JobState &job)
{
    const SummaryTable &table = job.table;
    if (table.lastDataRow < table.firstDataRow)
        return Outcome::goOn();
    const int column = job.settings.classifyColumn;
    // Only the rows under a merged block's first cell are empty: look where a
    // run of empty cells begins, and just below the last filled cell.
    for (int row = table.firstDataRow; row <= table.lastDataRow + 1; ++row) {
        const int index = row - table.firstDataRow;
        const bool empty = job.rowValues.value(index).isEmpty();
        if (!empty || (index > 0 && job.rowValues.value(index - 1).isEmpty()))
            continue;
        const std::unique_ptr<AutomationObject> cell(job.summarySheet->querySubObject("Cells(int,int)", row, column));
        AutomationObject *merged = cell ? cell->querySubObject("MergeArea") : nullptr;
        const BlockGeometry block = readBlockGeometry(merged);
        if (block.rowCount > 1)
            return Outcome::stop(Texts::mergedCategoryCells(
                blockAddress(block.topRow, block.leftColumn, block.lastRow(), block.lastColumn())));
    }
    return Outcome::goOn();
}

QString categorySheetName(const QString &shown, bool plainText, const QStringList &taken)
{
    QString base = shown;
    // A date's separators would otherwise vanish: 2024/3/1 is named 2024-3-1.
    if (!plainText)
        base.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char(':'), QLatin1Char('.'));
    QString name = sheetName(base);
    if (name.isEmpty())
        name = QString::fromUtf8("分类");
    return uniqueSheetName(name, taken);
}

Outcome planCategories(JobState &job)
{
    job.settings.categoryNames = cleanCategoryNames(job.rowValues);
    if (job.categories.isEmpty()) {
        // A column beyond the table is no empty column of it: say which.
        const SummaryTable &table = job.table;
        const int column = job.settings.classifyColumn;
        if (table.usedColumnCount > 0 && (column < table.usedFirstColumn || column > table.usedLastColumn()))
            return Outcome::stop(Texts::categoryColumnOutside(column, a1ColumnName(column), table.usedFirstColumn,
                                                              table.usedLastColumn(),
                                                              a1ColumnName(table.usedFirstColumn),
                                                              a1ColumnName(table.usedLastColumn())));
        return Outcome::stop(Texts::noCategory());
    }

    QStringList taken{sheetNameKey(indexSheetName())};
    for (const QString &name : job.sourceSheetNames)
        taken << sheetNameKey(name);
    for (Category &category : job.categories) {
        category.sheetName = categorySheetName(category.sheetName, category.plainText, taken);
        taken << sheetNameKey(category.sheetName);
    }
    return Outcome::goOn();
}

QStringList cleanCategoryNames(const QStringList &values)
{
    QStringList names = values;
    names.removeDuplicates();
    names.removeAll(QString());
    return names;
}
