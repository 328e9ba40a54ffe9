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

void fixCells(JobState &job, const Category &category)
{
    for (const FixedCell &fixed : job.fixedCells) {
        if (isRecordRow(job, fixed.row) && categoryOfRow(job, fixed.row) != category.value)
            continue;
        const std::unique_ptr<AutomationObject> cell(
            job.summarySheet->querySubObject("Cells(int,int)", fixed.row, fixed.column));
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
    // Values first: the rows and sheets the formulas read are about to go.
    fixCells(job, category);
    if (!removeOtherSheets(job))
        return failed;
    // The summary's filter buttons stay, over its own records, all shown.
    const bool buttons = job.summarySheet->property("AutoFilterMode").toBool();
    const Outcome kept = keepCategoryRows(job, job.summarySheet, category, failed, buttons);
    if (kept.stopped())
        return kept;
    if (job.settings.sheetProtectionEnabled)
        protectSheet(job.summarySheet, job.settings.sheetPassword);
    selectSummarySheet(job);
    setOpenPassword(job);
    const QVariant saved = job.workbook->dynamicCall("SaveAs(const QString&, QVariant)", QDir::toNativeSeparators(path),
                                                     outputFormat(job.nativePath).number);
    if (!saved.isValid()) {
        qCWarning(categoryFilesLog) << "the office did not save" << path;
        return Outcome::stop(Texts::saveFailed());
    }
    return Outcome::goOn();
}

} // namespace

Outcome planCategoryFiles(JobState &job)
{
    job.fixedCells.clear();
    const SummaryTable &table = job.table;
    const QList<QVariantList> rows = blockRows(table.usedRange->dynamicCall("FormulaR1C1()"));
    for (int i = 0; i < rows.size(); ++i) {
        const int row = table.usedFirstRow + i;
        bool filled = false;
        for (int j = 0; j < rows.at(i).size(); ++j) {
            const QString content = rows.at(i).at(j).toString();
            filled = filled || !content.isEmpty();
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
