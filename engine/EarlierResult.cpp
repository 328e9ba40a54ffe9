#include "EarlierResult.h"

#include "IndexSheet.h"
#include "JobSettings.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <memory>

namespace {

// Every custom document property of the workbook, by name and text.
QList<QPair<QString, QString>> customProperties(AutomationObject *properties)
{
    QList<QPair<QString, QString>> found;
    const int count = properties ? properties->property("Count").toInt() : 0;
    for (int i = 1; i <= count; ++i) {
        const std::unique_ptr<AutomationObject> item(properties->querySubObject("Item(const QVariant&)", i));
        if (item)
            found.append({item->property("Name").toString(), item->property("Value").toString()});
    }
    return found;
}

} // namespace

Outcome checkEarlierResult(JobState &job, ResultMark::Job thisJob)
{
    AutomationObject *properties = job.workbook->querySubObject("CustomDocumentProperties");
    const std::optional<ResultMark> mark = readMark(customProperties(properties));
    if (mark && mark->job != thisJob)
        return Outcome::stop(Texts::madeByOtherJob(mark->job == ResultMark::Job::Classify));
    return Outcome::goOn();
}

void markResult(JobState &job, ResultMark::Job thisJob)
{
    AutomationObject *properties = job.workbook->querySubObject("CustomDocumentProperties");
    if (!properties)
        return;
    for (const auto &property : customProperties(properties)) {
        if (!property.first.startsWith(markPropertyPrefix()))
            continue;
        const std::unique_ptr<AutomationObject> item(properties->querySubObject("Item(const QVariant&)", property.first));
        if (item)
            item->dynamicCall("Delete()");
    }
    const JobSettings &settings = job.settings;
    ResultMark mark;
    mark.job = thisJob;
    mark.summarySheet = job.summaryName;
    mark.classifyColumn = settings.classifyColumn;
    if (settings.headerRowsEnabled)
        mark.headerRows = settings.headerRows;
    if (settings.allowEditRangeEnabled)
        mark.editRange = settings.allowEditRange;
    mark.lookupColumn = settings.lookupColumn;
    mark.madeSheets << indexSheetName();
    for (const Category &category : job.categories)
        mark.madeSheets << category.sheetName;
    // A text property (type 4), not linked to the workbook's content.
    for (const auto &property : markProperties(mark))
        properties->dynamicCall("Add(const QString&,bool,int,const QVariant&)", property.first, false, 4,
                                property.second);
}
