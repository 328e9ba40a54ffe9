#include "IndexSheet.h"

#include "JobSettings.h"
#include "SheetNames.h"
#include "Texts.h"

#include "AutomationObject.h"

QString indexSheetName()
{
    return QString::fromUtf8("目录");
}

QString indexSubAddress(const QString &sheetName)
{
    return quotedSheetName(sheetName) + QStringLiteral("!A1");
}

IndexSheet addIndexSheet(JobState &job)
{
    IndexSheet index;
    index.sheets = job.workbook->querySubObject("Sheets");
    if (!index.sheets)
        return index;
    index.sheets->dynamicCall("Add()");
    index.sheet = index.sheets->querySubObject("Item(int)", 1);
    if (!index.sheet)
        return index;
    index.sheet->setProperty("Name", indexSheetName());
    index.links = index.sheet->querySubObject("Hyperlinks()");
    return index;
}

namespace {

void writeIndexEntry(const IndexSheet &index, int row, const QString &name)
{
    if (!index.sheet)
        return;
    AutomationObject *cell = index.sheet->querySubObject("Range(const QVariant&)",
                                                         QStringLiteral("A") + QString::number(row));
    if (!cell)
        return;
    // The leading apostrophe keeps a name such as 2024-03-01 a text.
    cell->dynamicCall("SetValue(const QVariant&)", QLatin1Char('\'') + name);
    if (index.links)
        index.links->dynamicCall("Add(const QVariant&,const QVariant&,const QVariant&)", cell->asVariant(),
                                 QStringLiteral(""), indexSubAddress(name));
}

} // namespace

Outcome fillIndexSheet(JobState &job, const IndexSheet &index, const LinkSheetStep &linkSheet)
{
    if (!index.sheets)
        return Outcome::goOn();
    const int count = index.sheets->property("Count").toInt();
    for (int position = 2; position <= count; ++position) {
        job.showProgress(position - 2, count - 1);
        if (job.applicationLost())
            return Outcome::stop(Texts::applicationLost());
        AutomationObject *sheet = index.sheets->querySubObject("Item(int)", position);
        const QString name = sheet ? sheet->property("Name").toString() : QString();
        if (sheet)
            writeIndexEntry(index, position - 1, name);
        const Category *category = position == 2 ? nullptr : job.categoryOfSheet(name);
        if (job.settings.allowEditRangeEnabled && sheet && (position == 2 || category)) {
            job.report(Texts::linkingSheet(position - 1, count - 1, name));
            const Outcome linked = linkSheet(position, sheet, category);
            if (linked.stopped())
                return linked;
        }
    }
    job.showProgress(count - 1, count - 1);
    return Outcome::goOn();
}
