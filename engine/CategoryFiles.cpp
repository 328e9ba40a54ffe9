#include "CategoryFiles.h"

#include "CategoryFileNames.h"
#include "CategorySheets.h"
#include "FileFormats.h"
#include "Finishing.h"
#include "FormulaReach.h"
#include "JobSettings.h"
#include "Protection.h"
#include "StagingFolder.h"
#include "SummaryScan.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <QDir>
#include <QLoggingCategory>

#include <memory>

Q_LOGGING_CATEGORY(categoryFilesLog, "sheetsplicer.files")

namespace {

// Rows of cells, as a block's FormulaR1C1 gives them; one cell's text as a
// block of one.
QList<QVariantList> blockRows(const QVariant &answer)
{
    QList<QVariantList> rows;
    if (answer.type() != QVariant::List) {
        rows << QVariantList{answer};
        return rows;
    }
    for (const QVariant &row : answer.toList())
        rows << (row.type() == QVariant::List ? row.toList() : QVariantList{row});
    return rows;
}

bool isRecordRow(const JobState &job, int row)
{
    return row >= job.table.firstDataRow && row <= job.table.lastDataRow
           && !job.rowValues.value(row - job.table.firstDataRow).isEmpty();
}

QString categoryOfRow(const JobState &job, int row)
{
    return row >= job.table.firstDataRow ? job.rowValues.value(row - job.table.firstDataRow) : QString();
}

// A record's formula stays when it reads only its own row; anything else
// the file holds keeps its formula unless it reads beyond the sheet.
bool keepsFormula(const JobState &job, int row, const QString &formula)
{
    const FormulaReach reach = formulaReach(formula, row, job.summaryName);
    return isRecordRow(job, row) ? reach == FormulaReach::OwnRow : reach != FormulaReach::Beyond;
}

// The fixed cells of the category's file, before the split or after it,
// where the rows they stand in have moved up.
void fixCells(JobState &job, const Category &category, bool afterSplit)
{
    int lastRow = 0;
    for (const FixedCell &fixed : job.fixedCells)
        lastRow = qMax(lastRow, fixed.row);
    const QVector<int> splitRows = afterSplit ? rowsInCategoryFile(job, category, lastRow) : QVector<int>();
    for (const FixedCell &fixed : job.fixedCells) {
        const int row = afterSplit ? splitRows.at(fixed.row - 1) : fixed.row;
        if (row < 1 || (isRecordRow(job, fixed.row) && categoryOfRow(job, fixed.row) != category.value))
            continue;
        const std::unique_ptr<AutomationObject> cell(job.summarySheet->querySubObject("Cells(int,int)", row, fixed.column));
        // A block of one, so that a text stays a text.
        if (cell)
            cell->dynamicCall("SetValue(const QVariant&)", QVariant(QVariantList{QVariant(QVariantList{fixed.value})}));
    }
}

// Every sheet but the summary goes, last first.
bool removeOtherSheets(JobState &job)
{
    AutomationObject *sheets = job.workbook->querySubObject("Sheets");
    if (!sheets)
        return false;
    for (int position = sheets->property("Count").toInt(); position >= 1; --position) {
        const std::unique_ptr<AutomationObject> sheet(sheets->querySubObject("Item(int)", position));
        if (!sheet)
            return false;
        if (sheet->property("Name").toString() != job.summaryName)
            sheet->dynamicCall("Delete()");
    }
    return sheets->property("Count").toInt() == 1;
}

Outcome makeCategoryFile(JobState &job, const Category &category, const QString &path)
{
    const QString name = QFileInfo(path).completeBaseName();
    const Outcome failed = Outcome::stop(Texts::categoryFileFailed(name));
    // A category column of formulas is read by the split once the rows and
    // sheets its formulas (or the cells they read) read are gone: the values
    // go in first. Otherwise after the split, which then finds the sheet as
    // the office loaded it and need not weigh its rows again.
    const bool afterSplit = !job.categoryFormulas;
    if (!afterSplit)
        fixCells(job, category, false);
    if (!removeOtherSheets(job))
        return failed;
    // The summary's filter buttons stay, over its own records, all shown.
    const bool buttons = job.summarySheet->property("AutoFilterMode").toBool();
    const Outcome kept = keepCategoryRows(job, job.summarySheet, category, failed, buttons);
    if (kept.stopped())
        return kept;
    if (afterSplit)
        fixCells(job, category, true);
    if (job.settings.sheetProtectionEnabled)
        protectSheet(job.summarySheet, job.settings.sheetPassword);
    selectSummarySheet(job);
    setOpenPassword(job);
    const QVariant saved = job.workbook->dynamicCall("SaveAs(const QString&, QVariant)", QDir::toNativeSeparators(path),
                                                     outputFormat(job.nativePath).number);
    if (!saved.isValid()) {
        qCWarning(categoryFilesLog) << "the office did not save" << path;
        return Outcome::stop(saveFailedText(job));
    }
    return Outcome::goOn();
}

} // namespace

QVector<int> rowsInCategoryFile(const JobState &job, const Category &category, int lastRow)
{
    const SummaryTable &table = job.table;
    const int dataRows = table.lastDataRow - table.firstDataRow + 1;
    QVector<int> rows(qMax(lastRow, 0), -1);
    int kept = 0;
    for (int row = 1; row <= lastRow; ++row) {
        if (row < table.firstDataRow)
            rows[row - 1] = row;
        else if (row > table.lastDataRow)
            rows[row - 1] = row - dataRows + category.recordCount;
        else if (categoryOfRow(job, row) == category.value)
            rows[row - 1] = table.firstDataRow + kept++;
    }
    return rows;
}

Outcome planCategoryFiles(JobState &job)
{
    job.fixedCells.clear();
    job.categoryFormulas = false;
    const SummaryTable &table = job.table;
    const QList<QVariantList> rows = blockRows(table.usedRange->dynamicCall("FormulaR1C1()"));
    for (int i = 0; i < rows.size(); ++i) {
        const int row = table.usedFirstRow + i;
        bool filled = false;
        for (int j = 0; j < rows.at(i).size(); ++j) {
            const QString content = rows.at(i).at(j).toString();
            filled = filled || !content.isEmpty();
            if (table.usedFirstColumn + j == job.settings.classifyColumn && isRecordRow(job, row)
                && content.startsWith(QLatin1Char('=')))
                job.categoryFormulas = true;
            if (!content.startsWith(QLatin1Char('=')) || keepsFormula(job, row, content))
                continue;
            const int column = table.usedFirstColumn + j;
            const std::unique_ptr<AutomationObject> cell(job.summarySheet->querySubObject("Cells(int,int)", row, column));
            job.fixedCells << FixedCell{row, column, cell ? cell->dynamicCall("Value()") : QVariant()};
        }
        // A row between the records that holds something but no category
        // would go to no file.
        if (filled && row >= table.firstDataRow && row <= table.lastDataRow && !isRecordRow(job, row))
            return Outcome::stop(Texts::rowWithoutCategory(row));
    }
    QStringList sheetNames;
    for (const Category &category : job.categories)
        sheetNames << category.sheetName;
    job.fileNames = categoryFileNames(sheetNames);
    return Outcome::goOn();
}

Outcome writeCategoryFiles(JobState &job)
{
    StagingFolder folder(job.settings.savePath, completeBaseName(job.nativePath));
    if (folder.path().isEmpty())
        return Outcome::stop(Texts::filesFolderFailed());
    const QString ending = outputFormat(job.nativePath).ending;
    const int total = job.categories.size();
    for (int done = 0; done < total; ++done) {
        const QString &name = job.fileNames.at(done);
        job.showProgress(done, total);
        job.report(Texts::writingFile(done + 1, total, name));
        if (done > 0) {
            const Outcome opened = openSource(job);
            if (opened.stopped())
                return opened;
        }
        const Outcome made = makeCategoryFile(job, job.categories.at(done), QDir(folder.path()).filePath(name + ending));
        closeWorkbook(job);
        if (job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        if (made.stopped())
            return made;
    }
    job.showProgress(total, total);
    // A cancel that came while the last file was saved leaves no folder.
    if (job.keepResult && !job.keepResult())
        return Outcome::goOn();
    const QString published = folder.publish();
    if (published.isEmpty())
        return Outcome::stop(Texts::filesFolderFailed());
    job.report(Texts::filesDone(total, published));
    return Outcome::goOn();
}
