#include "SummaryScan.h"

#include "CellReference.h"
#include "IndexSheet.h"
#include "JobSettings.h"
#include "SheetGeometry.h"
#include "SheetNames.h"
#include "SourceCheck.h"
#include "SourceEncryption.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <memory>

Outcome checkSourceFile(JobState &job)
{
    job.nativePath = nativeSourcePath(job.settings.sourceWorkbookPath);
    const QString refusal = sourceRefusal(job.nativePath);
    return refusal.isEmpty() ? Outcome::goOn() : Outcome::stop(refusal);
}

Outcome openWorkbook(JobState &job)
{
    job.report(Texts::scanning(job.nativePath));
    return openSource(job);
}

Outcome openSource(JobState &job)
{
    // An encrypted workbook opens with the open password of the job, which
    // its result is saved under too.
    // A plain one never gets a password: the office would keep it as the
    // document's own. An .xls with a locked structure may be encrypted
    // under the applications' default password, which opens it without one.
    const JobSettings &settings = job.settings;
    const QString password = settings.openPasswordEnabled ? settings.openPassword : QString();
    const bool encrypted = isEncryptedWorkbook(job.nativePath);
    job.workbook = nullptr;
    if (encrypted && !password.isEmpty())
        // Links not updated, not read-only, no text delimiter (5: none).
        job.workbook = job.workbooks->querySubObject("Open(const QString&,int,bool,int,const QString&)",
                                                     job.nativePath, 0, false, 5, password);
    if (!job.workbook)
        job.workbook = job.workbooks->querySubObject("Open(const QString&)", job.nativePath);
    if (!job.workbook && encrypted)
        return Outcome::stop(password.isEmpty() ? Texts::openPasswordMissing() : Texts::openPasswordWrong());
    if (!job.workbook)
        return Outcome::stop(Texts::openFailed());
    job.summarySheet = job.workbook->querySubObject("WorkSheets(int)", 1);
    // An opened workbook without a worksheet is no table to work on.
    if (!job.summarySheet)
        return Outcome::stop(Texts::openFailed());
    return Outcome::goOn();
}

Outcome checkProtection(JobState &job)
{
    if (job.workbook->property("ProtectStructure").toBool())
        return Outcome::stop(Texts::structureProtected());
    if (job.summarySheet->property("ProtectContents").toBool())
        return Outcome::stop(Texts::summaryProtected());
    return Outcome::goOn();
}

Outcome readSourceSheets(JobState &job)
{
    job.summaryName = job.summarySheet->property("Name").toString();
    job.sourceSheetNames.clear();
    AutomationObject *sheets = job.workbook->querySubObject("Sheets");
    const int count = sheets ? sheets->property("Count").toInt() : 0;
    for (int position = 1; position <= count; ++position) {
        const std::unique_ptr<AutomationObject> sheet(sheets->querySubObject("Item(int)", position));
        if (sheet)
            job.sourceSheetNames << sheet->property("Name").toString();
    }
    return Outcome::goOn();
}

Outcome checkIndexName(JobState &job)
{
    for (const QString &name : job.sourceSheetNames) {
        if (sheetNameKey(name) == sheetNameKey(indexSheetName()))
            return Outcome::stop(Texts::indexNameTaken());
    }
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
    table.usedRowCount = countOf(table.usedRange, "Rows");
    table.usedColumnCount = countOf(table.usedRange, "Columns");
    // The table's first row is a header whatever the setting says: rows
    // above it are empty.
    table.headerLastRow = job.settings.headerRowsEnabled ? qMax(job.settings.headerRows, table.usedFirstRow)
                                                         : table.usedFirstRow;
    table.firstDataRow = table.headerLastRow + 1;
    return Outcome::goOn();
}

Outcome findLastDataRow(JobState &job)
{
    SummaryTable &table = job.table;
    const int column = job.settings.classifyColumn;
    // Start below the table's last used row and move up to the last filled
    // category cell.
    AutomationObject *probe = job.summarySheet->querySubObject("Cells(int, int)", table.usedLastRow() + 1, column);
    AutomationObject *edge = probe ? probe->querySubObject("End(3)") : nullptr;
    // Without an edge nothing below the header is read, and the job is
    // refused for want of categories.
    table.lastDataRow = edge ? edge->dynamicCall("Row").toInt() : table.headerLastRow;
    table.dataStartCell = dataStartCell(table.usedFirstColumn, table.firstDataRow);
    table.categoryColumnRange = categoryColumnRange(column, table.firstDataRow, table.lastDataRow);
    table.filterRange = blockAddress(table.headerLastRow, table.usedFirstColumn, table.lastDataRow,
                                     qMax(table.usedLastColumn(), column));
    table.filterField = column - table.usedFirstColumn + 1;
    return Outcome::goOn();
}

QString dataStartCell(int usedFirstColumn, int firstDataRow)
{
    return a1ColumnName(usedFirstColumn) + QString::number(firstDataRow);
}

QString categoryColumnRange(int classifyColumn, int firstDataRow, int lastDataRow)
{
    const QString letters = a1ColumnName(classifyColumn);
    return letters + QString::number(firstDataRow) + QLatin1Char(':') + letters + QString::number(lastDataRow);
}

QString blockAddress(int top, int left, int bottom, int right)
{
    const QString first = a1ColumnName(left) + QString::number(top);
    if (top == bottom && left == right)
        return first;
    return first + QLatin1Char(':') + a1ColumnName(right) + QString::number(bottom);
}
