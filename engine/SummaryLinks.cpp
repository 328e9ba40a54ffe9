#include "SummaryLinks.h"

#include "Formulas.h"
#include "JobSettings.h"
#include "Protection.h"
#include "SheetGeometry.h"
#include "SheetNames.h"
#include "SummaryScan.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <QHash>
#include <memory>

namespace {

// A row finds its sheet through INDIRECT when the sheet's name follows from
// the text of its category cell; otherwise the formula names the sheet.
bool namedByItsCell(const Category &category)
{
    return category.plainText && withoutForbiddenCharacters(category.value) == category.sheetName;
}

// The sheet a row's formula names, or the null text for INDIRECT.
QString namedSheetOf(const Category &category)
{
    return namedByItsCell(category) ? QString() : category.sheetName;
}

} // namespace

Outcome linkHyperLinksSheet(JobState &job, int position, AutomationObject *sheet, const Category *category)
{
    if (position == 2)
        return writeSummaryFormulas(job);
    if (!sheet || !category)
        return Outcome::goOn();
    return openCategoryForEditing(job, sheet, *category);
}

Outcome writeSummaryFormulas(JobState &job)
{
    const JobSettings &settings = job.settings;
    AutomationObject *summary = job.summarySheet;
    AutomationObject *block = summary->querySubObject("Range(const QVariant&)", settings.allowEditRange);
    if (!block)
        return Outcome::stop(Texts::invalidEditRange());
    const BlockGeometry allowed = readBlockGeometryCollectionsFirst(block);
    job.allowed = allowed;

    QStringList namedByCells;
    for (const Category &category : job.categories) {
        if (namedByItsCell(category))
            namedByCells << category.value;
    }
    // Each way of reaching a sheet gets its formula in the first row that
    // uses it; every row then takes that formula in relative form. Rows
    // without a category keep their values.
    QHash<QString, QVariant> relativeFormulas;
    for (int row = allowed.topRow; row <= allowed.lastRow(); ++row) {
        const Category *category = job.categoryOfRow(row);
        if (!category || relativeFormulas.contains(namedSheetOf(*category)))
            continue;
        const QString sheet = namedSheetOf(*category);
        const std::unique_ptr<AutomationObject> anchor(
            summary->querySubObject("Cells(int,int)", row, allowed.leftColumn));
        if (!anchor)
            continue;
        anchor->dynamicCall("SetFormula(const QVariant&)",
                            sheet.isNull() ? summaryFormula(settings.lookupColumn, settings.classifyColumn, row,
                                                            allowed, namedByCells)
                                           : directSummaryFormula(settings.lookupColumn, row, allowed, sheet));
        relativeFormulas.insert(sheet, anchor->dynamicCall("FormulaR1C1()"));
    }
    for (int row = allowed.topRow; row <= allowed.lastRow(); ++row) {
        if (job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        const Category *category = job.categoryOfRow(row);
        if (!category)
            continue;
        const QVariant relative = relativeFormulas.value(namedSheetOf(*category));
        for (int column = allowed.leftColumn; column <= allowed.lastColumn(); ++column) {
            const std::unique_ptr<AutomationObject> cell(summary->querySubObject("Cells(int,int)", row, column));
            if (cell && relative.isValid())
                cell->dynamicCall("SetFormulaR1C1(const QVariant&)", relative);
        }
    }
    lockAndHideFormulas(block);
    protectSheet(summary, settings.sheetPassword);
    return Outcome::goOn();
}

Outcome openCategoryForEditing(JobState &job, AutomationObject *sheet, const Category &category)
{
    const int lastRow = job.lastRecordRow(category);
    if (lastRow >= job.allowed.topRow) {
        // Below what the sheet holds (its records, then any rows the summary
        // has under its table), whole rows of the table stay open for the
        // records to come; the next run of the job takes them in.
        const SummaryTable &table = job.table;
        const int roomTop = lastRow + qMax(0, table.usedLastRow() - table.lastDataRow) + 1;
        const int left = qMin(table.usedFirstColumn, job.allowed.leftColumn);
        const int right = qMax(qMax(table.usedLastColumn(), job.allowed.lastColumn()),
                               qMax(job.settings.classifyColumn, job.settings.lookupColumn));
        const QString range = formulaRange(job.settings.allowEditRange, lastRow) + QLatin1Char(',')
            + blockAddress(roomTop, left, roomTop + newRecordRows() - 1, right);
        AutomationObject *editable = sheet->querySubObject("Range(const QVariant&)", range);
        if (!editable)
            return Outcome::stop(Texts::invalidEditRange());
        addEditableRange(sheet, editable);
    }
    protectSheet(sheet, job.settings.sheetPassword);
    return Outcome::goOn();
}
