#include "SummaryLinks.h"

#include "Formulas.h"
#include "JobSettings.h"
#include "Protection.h"
#include "SheetGeometry.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <memory>

Outcome linkHyperLinksSheet(JobState &job, int position, AutomationObject *sheet)
{
    if (position == 2)
        return writeSummaryFormulas(job);
    if (!sheet)
        return Outcome::goOn();
    return openCategoryForEditing(job, sheet);
}

Outcome writeSummaryFormulas(JobState &job)
{
    const JobSettings &settings = job.settings;
    AutomationObject *summary = job.summarySheet;
    AutomationObject *block = summary->querySubObject("Range(const QVariant&)", settings.allowEditRange);
    if (!block)
        return Outcome::stop(Texts::invalidEditRange());
    const BlockGeometry allowed = readBlockGeometryCollectionsFirst(block);

    AutomationObject *topLeft = summary->querySubObject("Cells(int,int)", allowed.topRow, allowed.leftColumn);
    if (topLeft) {
        topLeft->dynamicCall("SetFormula(const QVariant&)",
                             summaryFormula(settings.lookupColumn, settings.classifyColumn, allowed,
                                            settings.categoryNames));
        for (int row = allowed.topRow; row <= allowed.lastRow(); ++row) {
            if (job.applicationLost())
                return Outcome::stop(Texts::applicationLost());
            for (int column = allowed.leftColumn; column <= allowed.lastColumn(); ++column) {
                const std::unique_ptr<AutomationObject> cell(summary->querySubObject("Cells(int,int)", row, column));
                const QVariant relative = topLeft->dynamicCall("FormulaR1C1()");
                if (cell)
                    cell->dynamicCall("SetFormulaR1C1(const QVariant&)", relative);
            }
        }
    }
    lockAndHideFormulas(block);
    protectSheet(summary, settings.sheetPassword);
    return Outcome::goOn();
}

Outcome openCategoryForEditing(JobState &job, AutomationObject *sheet)
{
    const QString range = formulaRange(job.settings.allowEditRange, usedRowCount(sheet));
    AutomationObject *editable = sheet->querySubObject("Range(const QVariant&)", range);
    if (!editable)
        return Outcome::stop(Texts::invalidEditRange());
    addEditableRange(sheet, editable);
    protectSheet(sheet, job.settings.sheetPassword);
    return Outcome::goOn();
}
