#include "CategorySheets.h"

#include "JobSettings.h"
#include "SheetNames.h"
#include "Texts.h"

#include "AutomationObject.h"

namespace {

// The value of SpecialCells that selects the visible cells only.
const int visibleCellsOnly = 12;

void filterToOtherCategories(AutomationObject *copy, const JobState &job, const QString &category)
{
    AutomationObject *start = copy->querySubObject("Range(const QString&)", job.table.dataStartCell);
    if (start)
        start->dynamicCall("AutoFilter(QVariant,QVariant)", job.settings.classifyColumn,
                           QStringLiteral("<>") + category);
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

void removeFilter(AutomationObject *copy, const JobState &job)
{
    AutomationObject *start = copy->querySubObject("Range(const QString&)", job.table.dataStartCell);
    if (start)
        start->dynamicCall("AutoFilter(QVariant)", job.settings.classifyColumn);
    copy->setProperty("AutoFilterMode", false);
}

} // namespace

Outcome makeCategorySheets(JobState &job)
{
    for (const QString &category : job.settings.categoryNames) {
        if (job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        makeCategorySheet(job, category);
    }
    return Outcome::goOn();
}

void makeCategorySheet(JobState &job, const QString &category)
{
    const QString name = sheetName(category);
    job.report(Texts::splittingTo(name));

    AutomationObject *sheets = job.workbook->querySubObject("Sheets");
    AutomationObject *first = sheets ? sheets->querySubObject("Item(int)", 1) : nullptr;
    AutomationObject *summary = job.workbook->querySubObject("WorkSheets(int)", 1);
    // Without the copy, the first sheet would be the summary sheet itself:
    // never filter or rename that one.
    if (!first || !summary)
        return;
    summary->dynamicCall("Copy(const QVariant&)", first->asVariant());

    AutomationObject *copy = sheets->querySubObject("Item(int)", 1);
    if (copy) {
        copy->setProperty("Name", name);
        filterToOtherCategories(copy, job, category);
        deleteVisibleRows(copy, job);
        removeFilter(copy, job);
    }
    job.application->dynamicCall("EnableEvents(Boolean)", true);
    if (copy)
        summary->dynamicCall("Move(const QVariant&)", copy->asVariant());
}
