#include "SummaryScan.h"

#include "ColumnLetters.h"
#include "JobSettings.h"
#include "SourceCheck.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <memory>

Outcome checkSourceFile(JobState &job)
{
    job.nativePath = nativeSourcePath(job.settings.sourceWorkbookPath);
    if (!isAcceptedSource(job.nativePath))
        return Outcome::stop(Texts::sourceRefused());
    return Outcome::goOn();
}

Outcome openWorkbook(JobState &job)
{
    job.report(Texts::scanning(job.nativePath));
    job.workbook = job.workbooks->querySubObject("Open(const QString&)", job.nativePath);
    if (!job.workbook)
        return Outcome::stop(Texts::openFailed());
    job.summarySheet = job.workbook->querySubObject("WorkSheets(int)", 1);
    // An opened workbook without a worksheet is no table to work on.
    if (!job.summarySheet)
        return Outcome::stop(Texts::openFailed());
    return Outcome::goOn();
}

Outcome measureTable(JobState &job)
{
    SummaryTable &table = job.table;
    table.usedRange = job.summarySheet->querySubObject("UsedRange");
    if (!table.usedRange)
        return Outcome::stop(Texts::openFailed());
    table.usedFirstRow = table.usedRange->property("Row").toInt();
    table.usedFirstColumn = table.usedRange->property("Column").toInt();
    AutomationObject *rows = table.usedRange->querySubObject("Rows");
    if (!rows)
        return Outcome::stop(Texts::openFailed());
    table.usedRowCount = rows->property("Count").toInt();
    table.headerLastRow = job.settings.headerRowsEnabled ? job.settings.headerRows : table.usedFirstRow;
    table.firstDataRow = table.headerLastRow + 1;
    return Outcome::goOn();
}

Outcome findLastDataRow(JobState &job)
{
    SummaryTable &table = job.table;
    const int column = job.settings.classifyColumn;
    // Start below the table and move up to the last filled category cell.
    AutomationObject *probe = job.summarySheet->querySubObject("Cells(int, int)",
                                                               table.headerLastRow + table.usedRowCount, column);
    AutomationObject *edge = probe ? probe->querySubObject("End(3)") : nullptr;
    // Without an edge nothing below the header is read, and the job is
    // refused for want of categories.
    table.lastDataRow = edge ? edge->dynamicCall("Row").toInt() : table.headerLastRow;
    table.dataStartCell = dataStartCell(table.usedFirstColumn, table.firstDataRow);
    table.categoryColumnRange = categoryColumnRange(column, table.firstDataRow, table.lastDataRow);
    return Outcome::goOn();
}

Outcome readCategoryColumn(JobState &job)
{
    job.report(Texts::classifying());
    QStringList &names = job.settings.categoryNames;
    // A run builds its list anew, also when the caller left an old one.
    names.clear();
    const int column = job.settings.classifyColumn;
    for (int row = job.table.firstDataRow; row <= job.table.lastDataRow; ++row) {
        if (job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        // One handle a row, let go at once: a long column would otherwise keep
        // them all until the job ends.
        const std::unique_ptr<AutomationObject> cell(
            job.summarySheet->querySubObject("Cells(int,int)", row, column));
        names << (cell ? cell->dynamicCall("Value()").toString() : QString());
    }
    return Outcome::goOn();
}

Outcome cleanCategoryList(JobState &job)
{
    job.settings.categoryNames = cleanCategoryNames(job.settings.categoryNames);
    if (job.settings.categoryNames.isEmpty())
        return Outcome::stop(Texts::noCategory());
    return Outcome::goOn();
}

QString dataStartCell(int usedFirstColumn, int firstDataRow)
{
    return columnLetters(usedFirstColumn) + QString::number(firstDataRow);
}

QString categoryColumnRange(int classifyColumn, int firstDataRow, int lastDataRow)
{
    const QString letters = columnLetters(classifyColumn);
    return letters + QString::number(firstDataRow) + QLatin1Char(':') + letters + QString::number(lastDataRow);
}

QStringList cleanCategoryNames(const QStringList &values)
{
    QStringList names = values;
    names.removeDuplicates();
    names.removeAll(QString());
    return names;
}
