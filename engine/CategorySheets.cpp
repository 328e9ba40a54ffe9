#include "CategorySheets.h"

#include "MemberCatalogue.h"

#include "JobSettings.h"
#include "SummaryScan.h"
#include "Texts.h"

#include "AutomationObject.h"
#include "FilterCriterion.h"

#include <memory>

namespace {

// The value of SpecialCells that selects the visible cells only.
const int visibleCellsOnly = Xl::cellTypeVisible;

// The filter covers the table from its last header row down to the last data
// row, blank rows between included, so no record escapes it.
void filterToOtherCategories(AutomationObject *copy, const JobState &job, const QString &category)
{
    AutomationObject *block = copy->querySubObject("Range(const QString&)", job.table.filterRange);
    if (block)
        block->dynamicCall("AutoFilter(QVariant,QVariant)", job.table.filterField, excludingCriterion(category));
}

void deleteVisibleRows(AutomationObject *copy, const JobState &job)
{
    AutomationObject *column = copy->querySubObject("Range(const QString&)", job.table.categoryColumnRange);
    AutomationObject *cells = column ? column->querySubObject("Cells") : nullptr;
    // No visible cell means every data row belongs to this category.
    AutomationObject *visible = cells ? cells->querySubObject("SpecialCells(QVariant)", visibleCellsOnly) : nullptr;
    AutomationObject *rows = visible ? visible->querySubObject("EntireRow") : nullptr;
    if (rows)
        rows->dynamicCall("Delete()");
}

// After the split, the copy's category column holds the category's value on
// every record row and nothing on the row below them: the table's last
// category cell had nothing below it. Anything else means a record went
// missing or another category's stayed.
bool holdsItsRecordsOnly(AutomationObject *copy, const JobState &job, const Category &category)
{
    const int column = job.settings.classifyColumn;
    const int last = job.lastRecordRow(category);
    for (int row = job.table.firstDataRow; row <= last + 1; ++row) {
        const std::unique_ptr<AutomationObject> cell(copy->querySubObject("Cells(int,int)", row, column));
        if (!cell)
            return false;
        const QString expected = row <= last ? category.value : QString();
        if (cell->dynamicCall("Value()").toString() != expected)
            return false;
    }
    return true;
}

// The first category cell of the summary that holds a formula, as "A7"; empty
// when there is none. Asked only once a split has gone wrong: a formula that
// reads other rows gives another value once those rows are gone.
QString firstCategoryFormula(const JobState &job)
{
    const int column = job.settings.classifyColumn;
    for (int row = job.table.firstDataRow; row <= job.table.lastDataRow; ++row) {
        const std::unique_ptr<AutomationObject> cell(job.summarySheet->querySubObject("Cells(int,int)", row, column));
        if (cell && cell->dynamicCall("FormulaR1C1()").toString().startsWith(QLatin1Char('=')))
            return blockAddress(row, column, row, column);
    }
    return QString();
}

// The sheet's filter goes, or with `keepButtons` only its criteria: every
// row it hid shows again.
void removeFilter(AutomationObject *copy, const JobState &job, bool keepButtons)
{
    AutomationObject *block = copy->querySubObject("Range(const QString&)", job.table.filterRange);
    if (block)
        block->dynamicCall("AutoFilter(QVariant)", job.table.filterField);
    if (keepButtons)
        copy->dynamicCall("ShowAllData()");
    else
        copy->setProperty("AutoFilterMode", false);
}

// The user's other sheets go back next to the summary, ahead of the category
// sheets: a range over several sheets of theirs (SUM(Sheet1:Sheet4!C1)) then
// takes in no category sheet. Each one moves before the first category sheet
// in turn, so they keep their order.
bool keepOtherSheetsTogether(JobState &job)
{
    AutomationObject *sheets = job.workbook->querySubObject("Sheets");
    if (!sheets)
        return false;
    const int categories = job.categories.size();
    for (int i = 1; i < job.sourceSheetNames.size(); ++i) {
        AutomationObject *other = sheets->querySubObject("Item(int)", 1 + categories + i);
        AutomationObject *firstCategory = sheets->querySubObject("Item(int)", 1 + i);
        if (!other || !firstCategory || other->property("Name").toString() != job.sourceSheetNames.at(i))
            return false;
        other->dynamicCall("Move(const QVariant&)", firstCategory->asVariant());
    }
    return true;
}

} // namespace

Outcome makeCategorySheets(JobState &job)
{
    const int total = job.categories.size();
    for (int done = 0; done < total; ++done) {
        const Category &category = job.categories.at(done);
        job.showProgress(done, total);
        if (job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        const Outcome made = makeCategorySheet(job, category);
        if (made.stopped())
            return made;
    }
    job.showProgress(total, total);
    // Left behind the category sheets, a range over several of the user's
    // sheets would take category sheets in.
    if (!keepOtherSheetsTogether(job))
        return Outcome::stop(Texts::otherSheetsNotMoved());
    return Outcome::goOn();
}

Outcome keepCategoryRows(JobState &job, AutomationObject *sheet, const Category &category, const Outcome &failed,
                         bool keepButtons)
{
    filterToOtherCategories(sheet, job, category.value);
    deleteVisibleRows(sheet, job);
    removeFilter(sheet, job, keepButtons);
    if (holdsItsRecordsOnly(sheet, job, category))
        return Outcome::goOn();
    const QString formula = firstCategoryFormula(job);
    return formula.isEmpty() ? failed : Outcome::stop(Texts::categoryFormula(formula));
}

Outcome makeCategorySheet(JobState &job, const Category &category)
{
    const Outcome failed = Outcome::stop(Texts::categorySheetFailed(category.sheetName));
    const QString &name = category.sheetName;
    job.report(Texts::splittingTo(name));

    AutomationObject *sheets = job.workbook->querySubObject("Sheets");
    AutomationObject *first = sheets ? sheets->querySubObject("Item(int)", 1) : nullptr;
    AutomationObject *summary = job.workbook->querySubObject("WorkSheets(int)", 1);
    // Without the copy, the first sheet would be the summary sheet itself:
    // never filter or rename that one.
    if (!first || !summary)
        return failed;
    summary->dynamicCall("Copy(const QVariant&)", first->asVariant());

    AutomationObject *copy = sheets->querySubObject("Item(int)", 1);
    // A copy that did not come, or did not take its name, would leave the
    // category's records without their sheet, or the summary's lookups
    // without their target.
    if (!copy)
        return failed;
    copy->setProperty("Name", name);
    if (copy->property("Name").toString() != name)
        return failed;
    const Outcome kept = keepCategoryRows(job, copy, category, failed);
    if (kept.stopped())
        return kept;
    job.application->dynamicCall("EnableEvents(Boolean)", true);
    summary->dynamicCall("Move(const QVariant&)", copy->asVariant());
    return Outcome::goOn();
}
