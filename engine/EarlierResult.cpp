#include "EarlierResult.h"

#include "IndexSheet.h"
#include "JobSettings.h"
#include "LinkResultPull.h"
#include "Protection.h"
#include "SheetGeometry.h"
#include "SheetNames.h"
#include "SummaryScan.h"
#include "UpdateReport.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <memory>
#include <optional>

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

namespace {

// The sheet of that name, letter case aside; null for none.
AutomationObject *sheetNamed(JobState &job, const QString &name)
{
    AutomationObject *sheets = job.workbook->querySubObject("Sheets");
    const int count = sheets ? sheets->property("Count").toInt() : 0;
    for (int position = 1; position <= count; ++position) {
        AutomationObject *sheet = sheets->querySubObject("Item(int)", position);
        if (sheet && sheetNameKey(sheet->property("Name").toString()) == sheetNameKey(name))
            return sheet;
    }
    return nullptr;
}

QString passwordText(bool enabled, const QString &password)
{
    return enabled && !password.isNull() ? password : QStringLiteral("");
}

// The settings the result was made with, where the caller left them open.
Outcome takeSettings(JobSettings &settings, const ResultMark &mark)
{
    const QString headerRows = mark.headerRows ? QString::number(*mark.headerRows) : QString();
    const struct
    {
        const char *option;
        bool differs;
        QString earlier;
    } checks[] = {
        {"--column", settings.classifyColumn != mark.classifyColumn, QString::number(mark.classifyColumn)},
        {"--header-rows", settings.headerRowsEnabled != bool(mark.headerRows)
                              || (mark.headerRows && settings.headerRows != *mark.headerRows),
         headerRows.isEmpty() ? QString::fromUtf8("自动") : headerRows},
        {"--edit-range", (settings.allowEditRangeEnabled ? settings.allowEditRange : QString()) != mark.editRange,
         mark.editRange.isEmpty() ? QString::fromUtf8("无") : mark.editRange},
        {"--match-column", settings.lookupColumn != mark.lookupColumn, QString::number(mark.lookupColumn)},
    };
    for (const auto &check : checks) {
        if (check.differs && settings.fixedOptions.contains(QLatin1String(check.option)))
            return Outcome::stop(Texts::updateSettingDiffers(QLatin1String(check.option), check.earlier));
    }
    settings.classifyColumn = mark.classifyColumn;
    settings.headerRowsEnabled = bool(mark.headerRows);
    settings.headerRows = mark.headerRows.value_or(1);
    settings.allowEditRangeEnabled = !mark.editRange.isEmpty();
    settings.allowEditRange = mark.editRange;
    settings.lookupColumn = mark.lookupColumn;
    return Outcome::goOn();
}

// Which key each record of an earlier category sheet has: the match column
// below the header, down to the sheet's last used row.
void noteKeys(JobState &job, AutomationObject *sheet, const ResultMark &mark)
{
    const QString name = sheet->property("Name").toString();
    const std::unique_ptr<AutomationObject> used(sheet->querySubObject("UsedRange"));
    if (!used)
        return;
    const int first = mark.headerRows.value_or(used->property("Row").toInt()) + 1;
    const int last = used->property("Row").toInt() + countOf(used.get(), "Rows") - 1;
    if (last < first)
        return;
    // One read of the column: a block's values come as rows of values.
    const std::unique_ptr<AutomationObject> column(sheet->querySubObject(
        "Range(const QString&)", blockAddress(first, mark.lookupColumn, last, mark.lookupColumn)));
    const QVariant values = column ? column->dynamicCall("Value()") : QVariant();
    const QVariantList rows = values.type() == QVariant::List ? values.toList() : QVariantList{QVariantList{values}};
    for (const QVariant &row : rows) {
        const QString key = row.toList().value(0).toString();
        if (!key.isEmpty())
            job.earlierSheetOfKey.insert(key, name);
    }
}

// The earlier result's protections lifted and the sheets it made removed:
// what is left is the summary and the user's own sheets.
Outcome clearEarlierSplit(JobState &job, const ResultMark &mark)
{
    const JobSettings &settings = job.settings;
    if (job.workbook->property("ProtectStructure").toBool()) {
        const QString password = passwordText(settings.structurePasswordEnabled, settings.structurePassword);
        if (!job.workbook->dynamicCall("Unprotect(const QString&)", password).isValid())
            return Outcome::stop(Texts::updateStructurePassword());
    }
    AutomationObject *summary = sheetNamed(job, mark.summarySheet);
    if (!summary)
        return Outcome::stop(Texts::updateSheetMissing(mark.summarySheet));
    QList<AutomationObject *> made;
    for (const QString &name : mark.madeSheets) {
        AutomationObject *sheet = sheetNamed(job, name);
        if (!sheet)
            return Outcome::stop(Texts::updateSheetMissing(name));
        made << sheet;
    }
    // What the category sheets hold is read before anything is written.
    std::optional<LinkResultPull> pull;
    if (mark.job == ResultMark::Job::Link) {
        pull.emplace(job, summary, mark);
        const Outcome read = pull->read(made.mid(1));
        if (read.stopped())
            return read;
    } else {
        for (AutomationObject *sheet : made.mid(1))
            noteKeys(job, sheet, mark);
    }
    if (summary->property("ProtectContents").toBool()
        && !summary->dynamicCall("Unprotect(QVariant)", passwordText(true, settings.sheetPassword)).isValid())
        return Outcome::stop(Texts::updateSheetPassword(mark.summarySheet));
    // Its block gets the range of this run.
    removeEditableRange(summary);
    if (pull) {
        const Outcome written = pull->write();
        if (written.stopped())
            return written;
    }
    for (AutomationObject *sheet : made) {
        if (!sheet->dynamicCall("Delete()").isValid())
            return Outcome::stop(Texts::updateSheetMissing(sheet->property("Name").toString()));
    }
    job.summarySheet = summary;
    job.updating = true;
    return Outcome::goOn();
}

} // namespace

Outcome noteUpdate(JobState &job)
{
    if (!job.updating)
        return Outcome::goOn();
    QList<QPair<QString, QString>> now;
    for (int row = job.table.firstDataRow; row <= job.table.lastDataRow; ++row) {
        const Category *category = job.categoryOfRow(row);
        const std::unique_ptr<AutomationObject> cell(
            job.summarySheet->querySubObject("Cells(int,int)", row, job.settings.lookupColumn));
        const QString key = cell ? cell->dynamicCall("Value()").toString() : QString();
        if (category && !key.isEmpty())
            now.append({key, category->sheetName});
    }
    job.updateLines = updateReport(job.earlierSheetOfKey, now);
    return Outcome::goOn();
}

void reportUpdate(JobState &job)
{
    for (const QString &line : job.updateLines)
        job.report(line);
}

Outcome takeEarlierResult(JobState &job, ResultMark::Job thisJob)
{
    AutomationObject *properties = job.workbook->querySubObject("CustomDocumentProperties");
    const std::optional<ResultMark> mark = readMark(customProperties(properties));
    if (!mark)
        return Outcome::goOn();
    if (mark->job != thisJob)
        return Outcome::stop(Texts::madeByOtherJob(mark->job == ResultMark::Job::Classify));
    const Outcome settings = takeSettings(job.settings, *mark);
    if (settings.stopped())
        return settings;
    job.report(Texts::updatingResult(thisJob == ResultMark::Job::Classify)
               + Texts::updateSettings(mark->classifyColumn,
                                       mark->headerRows ? QString::number(*mark->headerRows) : QString(),
                                       mark->editRange, mark->lookupColumn));
    return clearEarlierSplit(job, *mark);
}

Outcome refuseEarlierResult(JobState &job)
{
    AutomationObject *properties = job.workbook->querySubObject("CustomDocumentProperties");
    const std::optional<ResultMark> mark = readMark(customProperties(properties));
    if (!mark)
        return Outcome::goOn();
    return Outcome::stop(Texts::filesFromResult(mark->job == ResultMark::Job::Classify));
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
