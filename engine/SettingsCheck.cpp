#include "SettingsCheck.h"

#include "JobSettings.h"
#include "Texts.h"

#include "CellArea.h"
#include "CellReference.h"
#include "SamePlace.h"

#include <QFileInfo>

namespace {

bool takesInColumn(const QList<CellArea> &areas, int column)
{
    for (const CellArea &area : areas) {
        if (column >= area.left && column <= area.right)
            return true;
    }
    return false;
}

} // namespace

bool isSourceFolder(const QString &savePath, const QString &sourcePath)
{
    return !sourcePath.isEmpty() && isSamePlace(savePath, QFileInfo(sourcePath).absolutePath());
}

bool isEditRangeText(const QString &typed)
{
    return !parseA1Areas(normalizedEditRange(typed)).isEmpty();
}

QString editRangeExample(const JobSettings &settings)
{
    // Three columns right of both key columns, or left of them when the
    // sheet ends first; rows from the first record to 200.
    const int keys = qMax(settings.classifyColumn, settings.lookupColumn);
    int first = keys + 1;
    if (first + 2 > 256)
        first = qMax(1, qMin(settings.classifyColumn, settings.lookupColumn) - 3);
    const int last = qMin(first + 2, 256);
    const int firstRow = (settings.headerRowsEnabled ? settings.headerRows : 1) + 1;
    return a1ColumnName(first) + QString::number(firstRow) + QLatin1Char(':') + a1ColumnName(last)
        + QString::number(qMax(200, firstRow));
}

Outcome checkJobSettings(const JobSettings &settings)
{
    if (settings.allowEditRangeEnabled) {
        if (!isEditRangeText(settings.allowEditRange))
            return Outcome::stop(Texts::editRangeNotARange(settings.allowEditRange, editRangeExample(settings)));
        const QList<CellArea> areas = parseA1Areas(settings.allowEditRange);
        if (takesInColumn(areas, settings.lookupColumn) || takesInColumn(areas, settings.classifyColumn))
            return Outcome::stop(Texts::editRangeHoldsKeyColumn());
    }
    if (isSourceFolder(settings.savePath, settings.sourceWorkbookPath))
        return Outcome::stop(Texts::saveFolderIsSourceFolder());
    return Outcome::goOn();
}

QString jobSettingsWarning(const JobSettings &settings, bool files)
{
    if (!files && settings.sheetProtectionEnabled && !settings.allowEditRangeEnabled)
        return Texts::protectionWithoutEditRange();
    return QString();
}
