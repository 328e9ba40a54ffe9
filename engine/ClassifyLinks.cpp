#include "ClassifyLinks.h"

#include "Formulas.h"
#include "JobSettings.h"
#include "Protection.h"
#include "SheetGeometry.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <memory>

Outcome readSummaryGeometry(JobState &job)
{
    if (!job.settings.allowEditRangeEnabled)
        return Outcome::goOn();
    job.allowedRange = job.summarySheet->querySubObject("Range(const QVariant&)", job.settings.allowEditRange);
    if (!job.allowedRange)
        return Outcome::stop(Texts::invalidEditRange());
    job.allowed = readBlockGeometry(job.allowedRange);
    // An updated result's editable block keeps its columns and grows down
    // to the last record, as records come below it.
    if (job.updating && job.allowed.lastRow() < job.table.lastDataRow) {
        job.settings.allowEditRange = formulaRange(job.settings.allowEditRange, job.table.lastDataRow);
        job.allowedRange = job.summarySheet->querySubObject("Range(const QVariant&)", job.settings.allowEditRange);
        if (!job.allowedRange)
            return Outcome::stop(Texts::invalidEditRange());
        job.allowed = readBlockGeometry(job.allowedRange);
    }
    return Outcome::goOn();
}

Outcome linkClassifySheet(JobState &job, int position, AutomationObject *sheet, const Category *category)
{
    if (position == 2) {
        addEditableRange(job.summarySheet, job.allowedRange);
        protectSheet(job.summarySheet, job.settings.sheetPassword);
        return Outcome::goOn();
    }
    if (!sheet || !category)
        return Outcome::goOn();
    return writeCategoryFormulas(job, sheet, *category);
}

Outcome writeCategoryFormulas(JobState &job, AutomationObject *sheet, const Category &category)
{
    // Rows below the records (a totals row) keep what they hold.
    const int lastRow = job.lastRecordRow(category);
    if (lastRow < job.allowed.topRow) {
        protectSheet(sheet, job.settings.sheetPassword);
        return Outcome::goOn();
    }
    const QString range = formulaRange(job.settings.allowEditRange, lastRow);
    AutomationObject *block = sheet->querySubObject("Range(const QVariant&)", range);
    if (!block)
        return Outcome::stop(Texts::invalidEditRange());
    const BlockGeometry target = readBlockGeometry(block);

    AutomationObject *topLeft = sheet->querySubObject("Cells(int,int)", job.allowed.topRow, job.allowed.leftColumn);
    if (topLeft) {
        topLeft->dynamicCall("SetFormula(const QVariant&)",
                             linkFormula(job.summaryName, job.settings.lookupColumn, job.allowed));
        // The same formula in relative form, so every row looks up its own key.
        for (int row = target.topRow; row <= target.lastRow(); ++row) {
            if (job.applicationLost())
                return Outcome::stop(Texts::applicationLost());
            for (int column = target.leftColumn; column <= target.lastColumn(); ++column) {
                const QVariant relative = topLeft->dynamicCall("FormulaR1C1()");
                const std::unique_ptr<AutomationObject> cell(sheet->querySubObject("Cells(int,int)", row, column));
                if (cell)
                    cell->dynamicCall("SetFormulaR1C1(const QVariant&)", relative);
            }
        }
    }
    lockAndHideFormulas(block);
    protectSheet(sheet, job.settings.sheetPassword);
    return Outcome::goOn();
}
